// Unzip32.dll: ZIP archives, stored and deflated entries. The command
// extracts: "-x" with the archive, the destination folder ending in "\" and
// optionally names or an "@" list file.
#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_line.h"
#include "components/archivers/common/command_progress.h"
#include "components/archivers/common/extract_target.h"
#include "components/archivers/common/win_io.h"
#include "components/codecs/zip.h"

using namespace qaz::archivers;
namespace codecs = qaz::codecs;

namespace {

// Names are Shift-JIS as Japanese Windows stores them, or UTF-8 when flagged
// so. Archives made on Unix (host 3) carry the system's UTF-8 names without
// the flag; there a name that is valid UTF-8 is read as such (Shift-JIS
// names almost never are).
// A folder marked only by its attribute gets the trailing separator that
// tells it from a file.
std::string EntryName(const codecs::ZipEntry& e) {
    std::string name = (e.utf8 || (e.hostSystem == 3 && IsUtf8BeyondAscii(e.name))) ? AnsiFromUtf8(e.name) : e.name;
    if (e.isFolder() && !EndsInSeparator(name)) name += '/';
    return name;
}

enum class Directory { Read, NotZip, Overlapping };

Directory ReadDirectory(FileSource& file, std::vector<codecs::ZipEntry>& entries) {
    if (!file.isOpen() || codecs::ReadZipDirectory(file, entries) != codecs::ArcError::None) return Directory::NotZip;
    return codecs::ZipEntriesOverlap(entries) ? Directory::Overlapping : Directory::Read;
}

bool Check(const std::string& archive) {
    FileSource file(archive);
    std::vector<codecs::ZipEntry> entries;
    return ReadDirectory(file, entries) == Directory::Read;
}

bool List(const std::string& archive, std::vector<ListedEntry>& listed) {
    FileSource file(archive);
    std::vector<codecs::ZipEntry> entries;
    if (ReadDirectory(file, entries) != Directory::Read) return false;
    for (const codecs::ZipEntry& z : entries) {
        ListedEntry e;
        e.path = EntryName(z);
        e.size = z.size;
        e.packed = z.packedSize;
        e.crc = z.crc;
        e.dosDate = z.dosDate;
        e.dosTime = z.dosTime;
        e.method = codecs::ZipMethodName(z.method);
        if (!KeepListed(listed, std::move(e))) return false;
    }
    return true;
}

int Extract(const std::string& archive, const Targets& targets, std::string& report) {
    if (GetFileAttributesA(archive.c_str()) == INVALID_FILE_ATTRIBUTES) return kErrorNoArchive;
    FileSource file(archive);
    std::vector<codecs::ZipEntry> entries;
    switch (ReadDirectory(file, entries)) {
        case Directory::NotZip:
            report += ReportLine(archive, "not a ZIP archive");
            return kErrorNotArchive;
        case Directory::Overlapping:
            report += ReportLine(archive, "entries overlap (refused)");
            return kErrorNotArchive;
        case Directory::Read: break;
    }
    ExtractTarget target(targets.destination);
    if (!target.ready()) return kErrorCannotWrite;
    for (const codecs::ZipEntry& z : entries)
        if (!z.isFolder() && Selected(targets, EntryName(z))) ProgressTotal(z.size);
    int result = kOk;
    for (const codecs::ZipEntry& z : entries) {
        const std::string name = EntryName(z);
        if (!Selected(targets, name)) continue;
        std::string relative;
        const codecs::PathVerdict verdict = target.Check(name, relative);
        if (verdict != codecs::PathVerdict::Ok) {
            if (verdict != codecs::PathVerdict::Empty || !EndsInSeparator(name)) {
                report += ReportLine(name, codecs::PathVerdictText(verdict));
                result = kErrorRefused;
            }
            continue;
        }
        if (EndsInSeparator(name)) {  // also a name ending in a backslash, as some Windows tools write folders
            if (!target.MakeFolder(relative)) {
                report += ReportLine(name, "folder cannot be made");
                result = kErrorCannotWrite;
            }
            continue;
        }
        if (z.isSymLink()) {
            // The entry's data is the link's target.
            codecs::VectorSink link(4096);
            if (z.size > 4096 || codecs::ExtractZipEntry(file, z, link) != codecs::ArcError::None) {
                report += ReportLine(name, "damaged link");
                result = kErrorCorrupt;
                continue;
            }
            // Made after every file: the target may come later in the archive.
            if (target.AddLink(name, relative, std::string(link.bytes.begin(), link.bytes.end()), false) != kOk) {
                report += ReportLine(name, "link leads outside the destination");
                result = kErrorRefused;
            }
            continue;
        }
        const int begun = target.BeginFile(relative, z.size);
        if (begun != kOk) {
            report += ReportLine(name, begun == kErrorDiskSpace ? "does not fit on the disk" : "cannot be written");
            if (begun == kErrorDiskSpace) return begun;
            result = begun;
            continue;
        }
        const codecs::ArcError error = codecs::ExtractZipEntry(file, z, target);
        if (error != codecs::ArcError::None) {
            target.AbortFile();
            report += ReportLine(name, codecs::ArcErrorText(error));
            if (error == codecs::ArcError::Unsupported) {  // the other entries may still be readable
                result = kErrorMethod;
                continue;
            }
            return ResultOfError(error);
        }
        const FILETIME when = FileTimeOfLocalDos(z.dosDate, z.dosTime);
        const int done = target.CommitFile(&when);
        report += ReportLine(name, done == kOk ? "extracted" : "cannot be written");
        if (done != kOk) result = done;
    }
    const int linked = target.MakeLinks(report);
    return result != kOk ? result : linked;
}

int Command(HWND, const std::vector<std::string>& args, std::string& report) {
    bool extract = false;
    size_t i = 0;
    for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
        for (size_t k = 1; k < args[i].size(); ++k) {
            switch (args[i][k]) {
                case 'x': extract = true; break;
                // -s, -V, -i (what the program sends), -o and -n: accepted; we always
                // replace existing files and show no dialog.
                case 's': case 'V': case 'i': case 'o': case 'n': case 'q': break;
                default:
                    report += ReportLine(args[i], "option not supported");
                    return kErrorCommand;
            }
        }
    }
    if (!extract || i >= args.size()) {
        report += ReportLine(args[0], "command not supported");
        return kErrorCommand;
    }
    Targets targets;
    if (!SplitTargets(args, i + 1, targets)) {
        report += ReportLine(args[i], "list file cannot be read");
        return kErrorResponseFile;
    }
    return Extract(args[i], targets, report);
}

}  // namespace

const Format qaz::archivers::kFormat = {Check, List, Command};

QAZ_ARCHIVER_ENTRIES(UnZip)
QAZ_ARCHIVER_COMMAND(UnZip)
