// Ish32.dll: ISH texts. "/q <text> /f=<folder>" writes every file the text
// holds into the folder (asking before it replaces one); "/<kind> /<system>
// <file> /f=<folder>" encodes a file into "<name>.ish" there. The archive
// entries list the files of a text.
#include <algorithm>
#include <new>
#include <set>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/extract_entries.h"
#include "components/archivers/common/mapped_file.h"
#include "components/archivers/common/temp_output.h"
#include "components/archivers/common/win_io.h"
#include "components/archivers/ish32/ish_command.h"
#include "components/codecs/entry_path.h"
#include "components/codecs/ish.h"

using namespace qaz::archivers;
namespace codecs = qaz::codecs;

namespace {

// Our own bound on one decoded file: what a 32-bit process can hold.
constexpr uint32_t kMaxFile = 0x40000000u;

const char* KindName(codecs::IshKind k) {
    switch (k) {
        case codecs::IshKind::Jis7: return "ish jis7";
        case codecs::IshKind::Jis8: return "ish jis8";
        case codecs::IshKind::ShiftJis: return "ish sjis";
        case codecs::IshKind::NonKana: return "ish non-kana";
    }
    return "ish";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

FILETIME LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d);
    return d.ftLastWriteTime;
}

// A file's name in the text, or the text's own name when the header has none.
std::string EntryName(const codecs::IshFile& f, const std::string& text) {
    if (!f.name.empty()) return f.name;
    const std::string last = LastPart(text);
    const size_t dot = last.rfind('.');
    return (dot == std::string::npos || dot == 0 ? last : last.substr(0, dot)) + ".dat";
}

bool Check(const std::string& archive) {
    MappedFile f(archive);
    return f.ok() && codecs::LooksLikeIsh(f.data(), f.size());
}

bool List(const std::string& archive, std::vector<ListedEntry>& out) {
    MappedFile f(archive);
    if (!f.ok()) return false;
    for (const codecs::IshFile& file : codecs::DecodeIsh(f.data(), f.size(), kMaxFile)) {
        ListedEntry e;
        e.path = EntryName(file, archive);
        e.method = KindName(file.kind);
        e.size = file.size;
        e.packed = file.size;
        e.dosDate = static_cast<uint16_t>(file.dosTime >> 16);
        e.dosTime = static_cast<uint16_t>(file.dosTime & 0xFFFF);
        out.push_back(e);
    }
    return !out.empty();
}

// The names this command writes, upper-cased: a text may hold two files of
// one name, and the second finds the name taken like a file on the disk.
class Claimed {
public:
    explicit Claimed(const std::string& destination) : destination_(destination) {}
    bool Taken(const std::string& path) const { return Exists(path) || names_.count(Key(path)) != 0; }
    void Claim(const std::string& path) { names_.insert(Key(path)); }
    const std::string& destination() const { return destination_; }

private:
    static std::string Key(std::string s) {  // ASCII letters without case; double-byte characters as they are
        for (size_t i = 0; i < s.size(); ++i) {
            if (IsLeadByte(static_cast<uint8_t>(s[i]))) {
                ++i;
                continue;
            }
            if (s[i] >= 'a' && s[i] <= 'z') s[i] = static_cast<char>(s[i] - 32);
        }
        return s;
    }
    std::string destination_;
    std::set<std::string> names_;
};

// What becomes of a file whose name is taken in the destination: false when
// it is not written; stop when the user cancelled the rest.
bool Settle(HWND window, IshRestore restore, Claimed& claimed, EntryJob& job, bool& stop, std::string& report) {
    std::string relative;
    if (codecs::SafeRelativePath(job.path, relative, IsLeadByte) != codecs::PathVerdict::Ok) return true;  // refused later
    const std::string& destination = claimed.destination();
    if (!claimed.Taken(destination + relative)) {
        claimed.Claim(destination + relative);
        return true;
    }
    switch (restore) {
        case IshRestore::SkipTaken:
            report += ReportLine(job.path, "exists; not replaced");
            return false;
        case IshRestore::Ask: {
            const std::string question = relative + "\n既にファイルが存在しますが、上書きしますか";
            const int answer = MessageBoxA(window, question.c_str(), "Ish32", MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDYES) {
                claimed.Claim(destination + relative);
                return true;
            }
            stop = answer != IDNO;
            report += ReportLine(job.path, "exists; not replaced");
            return false;
        }
        case IshRestore::Renumber: {
            const std::string folder = FolderOf(relative);
            const std::string name = IshRenumbered(destination + folder, LastPart(relative),
                                                   [&claimed](const std::string& p) { return claimed.Taken(p); });
            if (name.empty()) {
                report += ReportLine(job.path, "exists; no free numbered name");
                return false;
            }
            report += ReportLine(job.path, ("written as " + folder + name).c_str());
            job.path = folder + name;
            claimed.Claim(destination + job.path);
            return true;
        }
    }
    return true;
}

int Decode(HWND window, const std::string& text, const IshCommand& c, std::string& report) {
    if (!Exists(text)) {
        report += ReportLine(text, "not found");
        return kErrorNoArchive;
    }
    MappedFile f(text);
    if (!f.ok()) {
        report += ReportLine(text, "cannot be read");
        return kErrorCannotRead;
    }
    const std::vector<codecs::IshFile> files = codecs::DecodeIsh(f.data(), f.size(), kMaxFile);
    if (files.empty()) {
        report += ReportLine(text, "holds no ISH file");
        return kErrorNotArchive;
    }
    int result = kOk;
    std::vector<EntryJob> jobs;
    for (const codecs::IshFile& file : files) {
        const std::string name = EntryName(file, text);
        if (file.status != codecs::IshStatus::Ok && file.status != codecs::IshStatus::Repaired) {
            // Nothing is written for a file that did not come out whole.
            report += ReportLine(name, codecs::IshStatusText(file.status));
            result = file.status == codecs::IshStatus::MultiVolume || file.status == codecs::IshStatus::BadHeader
                         ? kErrorMethod
                         : kErrorCorrupt;
            continue;
        }
        if (file.status == codecs::IshStatus::Repaired) report += ReportLine(name, codecs::IshStatusText(file.status));
        EntryJob job;
        job.path = name;
        job.size = file.data.size();
        job.modified = file.dosTime ? FileTimeOfLocalDos(static_cast<uint16_t>(file.dosTime >> 16),
                                                         static_cast<uint16_t>(file.dosTime & 0xFFFF))
                                    : LastWrite(text);
        const codecs::IshFile* source = &file;
        job.unpack = [source](codecs::ByteSink& sink) {
            return source->data.empty() || sink.Write(source->data.data(), source->data.size())
                       ? codecs::UnpackStatus::Ok
                       : codecs::UnpackStatus::Stopped;
        };
        jobs.push_back(std::move(job));
    }
    // Where the files go, with its separator (the current folder when none is named).
    std::string destination = c.folder;
    if (destination.empty()) {
        char cwd[MAX_PATH];
        const DWORD n = GetCurrentDirectoryA(MAX_PATH, cwd);
        if (n > 0 && n < MAX_PATH) destination.assign(cwd, n);
    }
    destination = WithSeparator(destination);
    bool stop = false;
    Claimed claimed(destination);
    std::vector<EntryJob> kept;
    for (EntryJob& job : jobs)
        if (!stop && Settle(window, c.restore, claimed, job, stop, report)) kept.push_back(std::move(job));
    if (kept.empty()) return result;
    Targets targets;
    targets.destination = c.folder;
    const int written = ExtractEntries(kept, targets, false, report);
    return written != kOk ? written : result;
}

int Encode(const std::string& file, const IshCommand& c, std::string& report) {
    const DWORD attributes = GetFileAttributesA(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        report += ReportLine(file, "not found");
        return kErrorNoArchive;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        report += ReportLine(file, "folders cannot be encoded");
        return kErrorCommand;
    }
    MappedFile in(file);
    if (!in.ok()) {
        report += ReportLine(file, "cannot be read");
        return kErrorCannotRead;
    }
    const uint64_t size = in.size();
    if (size > 0xFFFFFFFFu) {
        report += ReportLine(file, "too large for ISH (4 GB at most)");
        return kErrorCommand;
    }
    const std::string name = LastPart(file);
    const std::string output = IshOutputName(c.folder.empty() ? FolderOf(file) : c.folder, name, Exists);
    if (output.empty()) {
        report += ReportLine(file, "no free name for the ISH file");
        return kErrorCannotWrite;
    }
    codecs::IshEncodeOptions o;
    o.kind = c.kind;
    o.system = c.system;
    o.name = name;
    uint16_t date = 0, time = 0;
    LocalDosTimeOfUnix(UnixOfFileTime(LastWrite(file)), date, time);
    o.dosTime = static_cast<uint32_t>(date) << 16 | time;
    const std::string text = codecs::EncodeIsh(in.data(), in.size(), o);
    TempOutput out(output);
    if (!out.ok() || !out.Write(text.data(), text.size()) || !out.Commit()) {
        report += ReportLine(output, "cannot be written");
        return kErrorCannotWrite;
    }
    report += ReportLine(output, "encoded");
    return kOk;
}

int Command(HWND window, const std::vector<std::string>& args, std::string& report) {
    IshCommand c;
    std::string bad;
    if (!ParseIshCommand(args, c, bad)) {
        report += ReportLine(bad, "option not supported");
        return kErrorCommand;
    }
    if (c.files.empty()) {
        report += ReportLine(args[0], "no file named");
        return kErrorCommand;
    }
    int result = kOk;
    for (const std::string& file : c.files) {
        int r;
        try {
            r = c.encode ? Encode(file, c, report) : Decode(window, file, c, report);
        } catch (const std::bad_alloc&) {  // the text of a large file is built in memory
            report += ReportLine(file, "not enough memory");
            r = kErrorDiskSpace;
        }
        if (result == kOk) result = r;
    }
    return result;
}

}  // namespace

namespace qaz::archivers {
const Format kFormat = {Check, List, Command};
}

QAZ_ARCHIVER_SHORT_COMMAND(Ish)
QAZ_ARCHIVER_ENTRIES(Ish)
