// Unarj32j.dll: ARJ archives, listed and extracted. Commands: "x" (with
// folders; an option holding "j", such as "-hj", puts every file straight
// into the destination) and "e" (without folders). Other options ("-a")
// are accepted and change nothing.
#include <algorithm>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_line.h"
#include "components/archivers/common/extract_entries.h"
#include "components/archivers/common/mapped_file.h"
#include "components/archivers/common/win_io.h"
#include "components/codecs/arj.h"

using namespace qaz::archivers;
namespace codecs = qaz::codecs;

namespace {

bool Walk(const MappedFile& f, std::vector<codecs::ArjEntry>& entries) {
    size_t at = codecs::FindArjStart(f.data(), f.size());
    if (at == SIZE_MAX) return false;
    for (;;) {
        codecs::ArjEntry e;
        const codecs::ArjHeaderStatus st = codecs::ReadArjHeader(f.data(), f.size(), at, e);
        if (st == codecs::ArjHeaderStatus::End) return true;
        if (st != codecs::ArjHeaderStatus::Ok) return false;
        at = e.nextOffset;
        if (e.fileType == 2 || e.fileType == 4) continue;  // comment and volume-label headers
        entries.push_back(std::move(e));
    }
}

const char* MethodText(const codecs::ArjEntry& e) {
    static const char* const kNames[] = {"Stored", "Method1", "Method2", "Method3", "Method4"};
    if (e.folder) return "Folder";
    return e.method < 5 ? kNames[e.method] : "Unknown";
}

bool Check(const std::string& archive) {
    MappedFile f(archive);
    return f.ok() && codecs::FindArjStart(f.data(), f.size()) != SIZE_MAX;
}

bool List(const std::string& archive, std::vector<ListedEntry>& out) {
    MappedFile f(archive);
    std::vector<codecs::ArjEntry> entries;
    if (!f.ok() || !Walk(f, entries)) return false;
    for (const codecs::ArjEntry& e : entries) {
        ListedEntry l;
        l.path = e.path;
        l.method = MethodText(e);
        l.size = e.originalSize;
        l.packed = e.packedSize;
        l.crc = e.crc;
        l.dosDate = static_cast<uint16_t>(e.dosTime >> 16);
        l.dosTime = static_cast<uint16_t>(e.dosTime & 0xFFFF);
        out.push_back(l);
    }
    return true;
}

int Command(HWND, const std::vector<std::string>& args, std::string& report) {
    std::string command = args[0];
    std::transform(command.begin(), command.end(), command.begin(), [](char c) { return char(c | 0x20); });
    std::vector<std::string> words{args[0]};
    bool junk = command == "e";
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') {
            if (a.find_first_of("jJ") != std::string::npos) junk = true;
            continue;
        }
        words.push_back(a);
    }
    if ((command != "x" && command != "e") || words.size() < 2) {
        report += ReportLine(args[0], "command not supported");
        return kErrorCommand;
    }
    const std::string& archive = words[1];
    Targets targets;
    if (!SplitTargets(words, 2, targets)) {
        report += ReportLine(archive, "list file cannot be read");
        return kErrorResponseFile;
    }
    if (GetFileAttributesA(archive.c_str()) == INVALID_FILE_ATTRIBUTES) return kErrorNoArchive;
    MappedFile f(archive);
    if (!f.ok()) return kErrorCannotRead;
    std::vector<codecs::ArjEntry> entries;
    const bool whole = Walk(f, entries);
    if (entries.empty() && !whole) {
        report += ReportLine(archive, "not an ARJ archive");
        return kErrorNotArchive;
    }
    std::vector<EntryJob> jobs;
    for (const codecs::ArjEntry& e : entries) {
        EntryJob job;
        job.path = e.path;
        job.folder = e.folder;
        job.size = e.originalSize;
        job.modified = FileTimeOfLocalDos(static_cast<uint16_t>(e.dosTime >> 16), static_cast<uint16_t>(e.dosTime & 0xFFFF));
        const codecs::ArjEntry* entry = &e;
        job.unpack = [&f, entry](codecs::ByteSink& sink) { return codecs::UnpackArjEntry(f.data(), f.size(), *entry, sink); };
        jobs.push_back(std::move(job));
    }
    int result = ExtractEntries(jobs, targets, junk, report);
    if (!whole) {
        report += ReportLine(archive, "header damaged; the entries after it were not read");
        if (result == kOk) result = kErrorCorrupt;
    }
    return result;
}

}  // namespace

namespace qaz::archivers {
const Format kFormat = {Check, List, Command};
}

QAZ_ARCHIVER_COMMAND(Unarj)
QAZ_ARCHIVER_ENTRIES(Unarj)
