#include "components/archivers/common/entry_archive.h"

#include <algorithm>

#include "components/archivers/common/mapped_file.h"

namespace qaz::archivers {

bool CheckEntryArchive(const EntryFormat& format, const std::string& archive) {
    MappedFile f(archive);
    return f.ok() && format.start(f.data(), f.size()) != SIZE_MAX;
}

bool ListEntryArchive(const EntryFormat& format, const std::string& archive, std::vector<ListedEntry>& out) {
    MappedFile f(archive);
    if (!f.ok()) return false;
    const size_t start = format.start(f.data(), f.size());
    if (start == SIZE_MAX) return false;
    std::vector<ReadEntry> entries;
    std::vector<std::string> damage;
    format.read(f.data(), f.size(), start, entries, damage);
    for (const ReadEntry& e : entries) out.push_back(e.listed);
    return true;
}

int ExtractEntryArchive(const EntryFormat& format, const std::string& archive, const Targets& targets, bool flat,
                        std::string& report) {
    if (GetFileAttributesA(archive.c_str()) == INVALID_FILE_ATTRIBUTES) return kErrorNoArchive;
    MappedFile f(archive);
    if (!f.ok()) return kErrorCannotRead;
    std::vector<ReadEntry> entries;
    std::vector<std::string> damage;
    const size_t start = format.start(f.data(), f.size());
    if (start == SIZE_MAX) damage.push_back("no header found");
    else format.read(f.data(), f.size(), start, entries, damage);
    std::vector<EntryJob> jobs;
    jobs.reserve(entries.size());
    for (ReadEntry& e : entries) jobs.push_back(std::move(e.job));
    return ExtractArchiveJobs(archive, damage, jobs, targets, flat, report);
}

std::string CommandWord(const std::string& word) {
    std::string command = word;
    std::transform(command.begin(), command.end(), command.begin(), [](char c) { return char(c | 0x20); });
    return command;
}

}  // namespace qaz::archivers
