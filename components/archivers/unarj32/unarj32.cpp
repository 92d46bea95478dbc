// Unarj32j.dll: ARJ archives, listed and extracted. Commands: "x" (with
// folders; an option holding "j", such as "-hj", puts every file straight
// into the destination) and "e" (without folders). Other options ("-a")
// are accepted and change nothing.
#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_line.h"
#include "components/archivers/common/entry_archive.h"
#include "components/archivers/common/win_io.h"
#include "components/codecs/arj.h"

using namespace qaz::archivers;
namespace codecs = qaz::codecs;

namespace {

const char* MethodText(const codecs::ArjEntry& e) {
    static const char* const kNames[] = {"Stored", "Method1", "Method2", "Method3", "Method4"};
    if (e.folder) return "Folder";
    return e.method < 5 ? kNames[e.method] : "Unknown";
}

void Read(const uint8_t* data, size_t size, size_t at, std::vector<ReadEntry>& out, std::vector<std::string>& damage) {
    for (;;) {
        codecs::ArjEntry e;
        const codecs::ArjHeaderStatus st = codecs::ReadArjHeader(data, size, at, e);
        if (st == codecs::ArjHeaderStatus::End) return;
        if (st != codecs::ArjHeaderStatus::Ok) {
            damage.push_back("header damaged; the entries after it were not read");
            return;
        }
        at = e.nextOffset;
        if (e.fileType == 2 || e.fileType == 4) continue;  // comment and volume-label headers
        ReadEntry r;
        r.listed.path = e.path;
        r.listed.method = MethodText(e);
        r.listed.size = e.originalSize;
        r.listed.packed = e.packedSize;
        r.listed.crc = e.crc;
        r.listed.dosDate = static_cast<uint16_t>(e.dosTime >> 16);
        r.listed.dosTime = static_cast<uint16_t>(e.dosTime & 0xFFFF);
        r.job.path = e.path;
        r.job.folder = e.folder;
        r.job.size = e.originalSize;
        r.job.modified = FileTimeOfLocalDos(r.listed.dosDate, r.listed.dosTime);
        r.job.unpack = [data, size, e](codecs::ByteSink& sink) { return codecs::UnpackArjEntry(data, size, e, sink); };
        out.push_back(std::move(r));
    }
}

const EntryFormat kArjFormat = {codecs::FindArjStart, Read};

bool Check(const std::string& archive) { return CheckEntryArchive(kArjFormat, archive); }

bool List(const std::string& archive, std::vector<ListedEntry>& out) {
    return ListEntryArchive(kArjFormat, archive, out);
}

int Command(HWND, const std::vector<std::string>& args, std::string& report) {
    const std::string command = CommandWord(args[0]);
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
    return ExtractEntryArchive(kArjFormat, archive, targets, junk, report);
}

}  // namespace

namespace qaz::archivers {
const Format kFormat = {Check, List, Command};
}

QAZ_ARCHIVER_COMMAND(Unarj)
QAZ_ARCHIVER_ENTRIES(Unarj)
