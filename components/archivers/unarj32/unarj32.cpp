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
    if (command != "x" && command != "e") {
        report += ReportLine(args[0], "command not supported");
        return kErrorCommand;
    }
    std::vector<std::string> options;
    std::string archive;
    Targets targets;
    const int split = SplitCommand(args, options, archive, targets, report);
    if (split != kOk) return split;
    bool junk = command == "e";
    for (const std::string& o : options)
        if (o.find_first_of("jJ") != std::string::npos) junk = true;
    if (GetFileAttributesA(archive.c_str()) == INVALID_FILE_ATTRIBUTES) return kErrorNoArchive;
    MappedFile f(archive);
    if (!f.ok()) return kErrorCannotRead;
    std::vector<codecs::ArjEntry> entries;
    const bool whole = Walk(f, entries);
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
    return ExtractArchiveJobs(archive, whole, jobs, targets, junk, report);
}

}  // namespace

namespace qaz::archivers {
const Format kFormat = {Check, List, Command};
}

QAZ_ARCHIVER_COMMAND(Unarj)
QAZ_ARCHIVER_ENTRIES(Unarj)
