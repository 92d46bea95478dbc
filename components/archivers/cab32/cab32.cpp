// Cab32.dll: cabinets read by our own reader, written through the platform's
// cabinet.dll. Commands: "-x"
// (extract with folders; with "-j" every file straight into the
// destination), "-a" (pack; "-r" takes folders' contents; "-mz" MSZIP,
// "-ml:<15..21>" LZX with that window), "-f" (make a self-extracting
// program in the named folder).
#include <cstdlib>

#include "components/archivers/cab32/cabinet_io.h"
#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_line.h"
#include "components/archivers/common/extract_entries.h"
#include "components/archivers/common/pack_items.h"
#include "components/archivers/common/self_extract.h"

using namespace qaz::archivers;

namespace {

bool Check(const std::string& archive) { return IsCabinet(archive); }

bool List(const std::string& archive, std::vector<ListedEntry>& entries) { return ListCabinet(archive, entries); }

int Command(HWND, const std::vector<std::string>& args, std::string& report) {
    enum { None, Extract, Add, Sfx } command = None;
    bool flat = false;
    CabCompression compression;
    // The command is itself an option ("-x", "-a", "-f"), so the head joins them.
    std::vector<std::string> options;
    std::string archive;
    Targets targets;
    std::vector<std::string> line{""};
    line.insert(line.end(), args.begin(), args.end());
    const int split = SplitCommand(line, options, archive, targets, report);
    if (split != kOk) return split;
    for (const std::string& a : options) {
        const char c = static_cast<char>(a[1] | 0x20);
        if (a.size() == 2 && c == 'x') command = Extract;
        else if (a.size() == 2 && c == 'a') command = Add;
        else if (a.size() == 2 && c == 'f') command = Sfx;
        else if (a.size() == 2 && c == 'j') flat = true;
        else if (a.size() == 2 && c == 'r') continue;  // folders are always taken whole
        else if (a == "-mz" || a == "-MZ") compression.lzx = false;
        else if (a.size() > 4 && c == 'm' && (a[2] | 0x20) == 'l' && a[3] == ':') {
            const int window = std::atoi(a.c_str() + 4);
            if (window < 15 || window > 21) {
                report += ReportLine(a, "LZX window must be 15 to 21");
                return kErrorCommand;
            }
            compression.lzx = true;
            compression.window = window;
        } else {
            report += ReportLine(a, "option not supported");
            return kErrorCommand;
        }
    }
    if (command == None) {
        report += ReportLine(args[0], "command not supported");
        return kErrorCommand;
    }
    if (command == Add) {
        std::vector<std::string> missing;
        const std::vector<PackItem> items = CollectPackItems(targets.patterns, missing);
        for (const std::string& m : missing) report += ReportLine(m, "not found");
        if (items.empty()) {
            report += ReportLine(archive, "nothing to pack");
            return kErrorCommand;
        }
        return WriteCabinet(archive, items, compression, report);
    }
    if (GetFileAttributesA(archive.c_str()) == INVALID_FILE_ATTRIBUTES) return kErrorNoArchive;
    if (!Check(archive)) {
        report += ReportLine(archive, "not a cabinet");
        return kErrorNotArchive;
    }
    if (command == Sfx) return MakeSelfExtracting(archive, targets.destination, SfxKind::Cab, report);
    return ExtractCabinet(archive, 0, targets, flat, report);
}

}  // namespace

namespace qaz::archivers {
const Format kFormat = {Check, List, Command};
}

QAZ_ARCHIVER_COMMAND(Cab)
QAZ_ARCHIVER_ENTRIES(Cab)
