// The extraction walk of the formats whose codecs unpack one entry at a
// time from a mapped archive (LHA, ARJ): selection by the command's
// patterns, the path check, folders, and each file written under a
// temporary name and committed only when its check value was right.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "components/archivers/common/command_line.h"
#include "components/codecs/unpack.h"

namespace qaz::archivers {

struct EntryJob {
    std::string path;  // as stored, "\" or "/" separators
    bool folder = false;
    bool link = false;         // a symbolic link: made as a copy of linkTarget once the files are written
    std::string linkTarget;    // relative to the link's folder
    uint64_t size = 0;
    FILETIME modified = {};
    std::function<codecs::UnpackStatus(codecs::ByteSink&)> unpack;
};

// Extracts the selected entries below targets.destination; with flat, every
// file goes straight into the destination under its last name and folder
// entries are skipped. Links come last, as copies of files written before.
// Returns kOk or the first error's result; one report
// line per entry.
int ExtractEntries(const std::vector<EntryJob>& jobs, const Targets& targets, bool flat, std::string& report);

// The common tail of an extraction: damage holds a line for each stretch of
// damaged bytes met while reading the headers (the result is then an error
// even when every entry read was extracted). kErrorNotArchive when nothing
// was read.
int ExtractArchiveJobs(const std::string& archive, const std::vector<std::string>& damage,
                       const std::vector<EntryJob>& jobs, const Targets& targets, bool flat, std::string& report);

// Splits a command: args[0] the command, words starting with "-" (anywhere)
// the options, the first other word the archive, the rest the targets.
// kOk, or kErrorCommand / kErrorResponseFile with a report line.
int SplitCommand(const std::vector<std::string>& args, std::vector<std::string>& options, std::string& archive,
                 Targets& targets, std::string& report);

// The last part of a path, stepping over double-byte characters.
std::string LastPart(const std::string& path);

}  // namespace qaz::archivers
