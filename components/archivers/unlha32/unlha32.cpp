// Unlha32.dll: LHA archives. Commands: "x" (extract with folders; an option
// holding "j", such as "-a0gj", puts every file straight into the
// destination), "e" (extract without folders), "a" and "m" (pack with
// -lh5-, "m" removing the packed files afterwards), "s" (make a
// self-extracting program in the named folder).
#include <algorithm>
#include <cstring>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_line.h"
#include "components/archivers/common/command_progress.h"
#include "components/archivers/common/entry_archive.h"
#include "components/archivers/common/extract_entries.h"
#include "components/archivers/common/lzh_jobs.h"
#include "components/archivers/common/mapped_file.h"
#include "components/archivers/common/pack_items.h"
#include "components/archivers/common/self_extract.h"
#include "components/archivers/common/temp_output.h"
#include "components/archivers/common/win_io.h"
#include "components/codecs/lzh.h"

using namespace qaz::archivers;
namespace codecs = qaz::codecs;

namespace {

bool Walk(const MappedFile& f, std::vector<codecs::LzhEntry>& entries) {
    const size_t start = codecs::FindLzhStart(f.data(), f.size());
    return start != SIZE_MAX && WalkLzh(f.data(), f.size(), start, entries);
}

bool Check(const std::string& archive) { return CheckEntryArchive(kLzhFormat, archive); }

bool List(const std::string& archive, std::vector<ListedEntry>& out) {
    return ListEntryArchive(kLzhFormat, archive, out);
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x == '/') x = '\\';
        if (y == '/') y = '\\';
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

int Pack(const std::string& archive, bool move, const Targets& targets, std::string& report) {
    std::vector<std::string> missing;
    const std::vector<PackItem> items = CollectPackItems(targets.patterns, missing);
    for (const std::string& m : missing) report += ReportLine(m, "not found");
    if (items.empty()) {
        report += ReportLine(archive, "nothing to pack");
        return missing.empty() ? kErrorCommand : kErrorCannotRead;
    }
    TempOutput out(archive);
    if (!out.ok()) {
        report += ReportLine(archive, "cannot be written");
        return kErrorCannotWrite;
    }
    // Entries of an existing archive stay unless a packed item replaces them.
    if (GetFileAttributesA(archive.c_str()) != INVALID_FILE_ATTRIBUTES) {
        MappedFile old(archive);
        std::vector<codecs::LzhEntry> entries;
        if (!old.ok() || !Walk(old, entries)) {
            report += ReportLine(archive, "exists and is no readable LHA archive");
            return kErrorNotArchive;
        }
        for (const codecs::LzhEntry& e : entries) {
            std::string path = e.path;
            while (!path.empty() && path.back() == '\\') path.pop_back();
            const bool replaced = std::any_of(items.begin(), items.end(), [&](const PackItem& i) { return SamePath(i.path, path); });
            if (!replaced) out.Write(old.data() + e.headerOffset, e.nextOffset - e.headerOffset);
        }
    }
    int result = kOk;
    std::vector<uint8_t> entry;
    for (const PackItem& item : items) {
        ProgressEntry(item.path);
        codecs::LzhPackItem p;
        p.path = item.path;
        p.folder = item.isFolder;
        p.unixTime = UnixOfFileTime(item.modified);
        entry.clear();
        if (item.isFolder) {
            codecs::AppendLzhEntry(entry, p);
        } else {
            MappedFile in(item.source);
            if (!in.ok() || in.size() > 0xFFFFFFFFu) {
                report += ReportLine(item.path, "cannot be read");
                result = kErrorCannotRead;
                continue;
            }
            p.data = in.data();
            p.size = in.size();
            const DWORD attr = GetFileAttributesA(item.source.c_str());
            p.attribute = static_cast<uint8_t>(attr == INVALID_FILE_ATTRIBUTES ? 0x20 : (attr & 0x27));
            codecs::AppendLzhEntry(entry, p);
        }
        if (!out.Write(entry.data(), entry.size()) || !ProgressAdvance(item.size)) break;
        report += ReportLine(item.path, "packed");
    }
    const uint8_t end = 0;
    if (!out.Write(&end, 1) || !out.Commit()) {
        report += ReportLine(archive, "cannot be written");
        return kErrorCannotWrite;
    }
    if (move && result == kOk) {
        for (const PackItem& item : items)
            if (!item.isFolder) DeleteFileA(item.source.c_str());
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            if (it->isFolder) RemoveDirectoryA(it->source.c_str());
    }
    return result;
}

int Command(HWND, const std::vector<std::string>& args, std::string& report) {
    const std::string command = CommandWord(args[0]);
    std::vector<std::string> options;
    std::string archive;
    Targets targets;
    const int split = SplitCommand(args, options, archive, targets, report);
    if (split != kOk) return split;
    bool junk = false;
    for (const std::string& o : options)
        if (o.find_first_of("jJ") != std::string::npos && o.find_first_of("wW") == std::string::npos) junk = true;
    if (command == "x" || command == "e") return ExtractEntryArchive(kLzhFormat, archive, targets, junk || command == "e", report);
    if (command == "a" || command == "m") return Pack(archive, command == "m", targets, report);
    if (command == "s") {
        if (!Check(archive)) {
            report += ReportLine(archive, "not an LHA archive");
            return GetFileAttributesA(archive.c_str()) == INVALID_FILE_ATTRIBUTES ? kErrorNoArchive : kErrorNotArchive;
        }
        return MakeSelfExtracting(archive, targets.destination, SfxKind::Lzh, report);
    }
    report += ReportLine(args[0], "command not supported");
    return kErrorCommand;
}

}  // namespace

namespace qaz::archivers {
const Format kFormat = {Check, List, Command};
}

QAZ_ARCHIVER_COMMAND(Unlha)
QAZ_ARCHIVER_ENTRIES(Unlha)
