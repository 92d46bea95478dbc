#include "components/archivers/common/extract_entries.h"

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_progress.h"
#include "components/archivers/common/extract_target.h"
#include "components/archivers/common/win_io.h"

namespace qaz::archivers {
namespace {

int ResultOf(codecs::UnpackStatus st) {
    switch (st) {
    case codecs::UnpackStatus::Ok: return kOk;
    case codecs::UnpackStatus::Unsupported: return kErrorMethod;
    case codecs::UnpackStatus::Stopped: return kErrorDiskSpace;
    default: return kErrorCorrupt;
    }
}

const char* TextOf(codecs::UnpackStatus st) {
    switch (st) {
    case codecs::UnpackStatus::Unsupported: return "method not supported";
    case codecs::UnpackStatus::Stopped: return "does not fit on the disk";
    case codecs::UnpackStatus::Truncated: return "data ends early";
    default: return "data damaged (check value wrong)";
    }
}

}  // namespace

std::string LastPart(const std::string& path) {
    std::string p = path;
    while (EndsInSeparator(p)) p.pop_back();
    return p.substr(NameStart(p));
}

int ExtractEntries(const std::vector<EntryJob>& jobs, const Targets& targets, bool flat, std::string& report) {
    ExtractTarget target(targets.destination);
    if (!target.ready()) {
        report += ReportLine(targets.destination, "folder cannot be made");
        return kErrorCannotWrite;
    }
    for (const EntryJob& job : jobs)
        if (!job.folder && Selected(targets, job.path)) ProgressTotal(job.size);
    int result = kOk;
    std::vector<std::pair<const EntryJob*, std::string>> links;
    for (const EntryJob& job : jobs) {
        if (!Selected(targets, job.path)) continue;
        if (flat && job.folder) continue;
        std::string relative;
        const codecs::PathVerdict verdict = target.Check(flat ? LastPart(job.path) : job.path, relative);
        // A folder entry for the top itself ("" or "./") has nothing to make.
        if (job.folder && verdict == codecs::PathVerdict::Empty) continue;
        if (verdict == codecs::PathVerdict::Ok && job.link) {
            links.emplace_back(&job, relative);
            continue;
        }
        if (verdict != codecs::PathVerdict::Ok) {
            report += ReportLine(job.path, codecs::PathVerdictText(verdict));
            if (result == kOk) result = kErrorRefused;
            continue;
        }
        if (job.folder) {
            if (!target.MakeFolder(relative)) {
                report += ReportLine(job.path, "folder cannot be made");
                result = kErrorCannotWrite;
            }
            continue;
        }
        const int begun = target.BeginFile(relative, job.size);
        if (begun != kOk) {
            report += ReportLine(job.path, begun == kErrorDiskSpace ? "does not fit on the disk" : "cannot be written");
            if (result == kOk || begun == kErrorDiskSpace) result = begun;
            continue;
        }
        const codecs::UnpackStatus st = job.unpack(target);
        if (st != codecs::UnpackStatus::Ok) {
            target.AbortFile();
            report += ReportLine(job.path, TextOf(st));
            result = ResultOf(st);
            continue;
        }
        const int done = target.CommitFile(&job.modified);
        report += ReportLine(job.path, done == kOk ? "extracted" : "cannot be written");
        if (done != kOk) result = done;
    }
    // Links last: a copy of a target that came later in the archive.
    for (const auto& [job, relative] : links) {
        // Flat, the target was written under its last name beside the link.
        if (target.AddLink(job->path, relative, flat ? LastPart(job->linkTarget) : job->linkTarget, false) != kOk) {
            report += ReportLine(job->path, "link leads outside the destination");
            if (result == kOk) result = kErrorRefused;
        }
    }
    const int linked = target.MakeLinks(report);
    if (linked != kOk && (result == kOk || linked == kErrorDiskSpace)) result = linked;
    return result;
}

int ExtractArchiveJobs(const std::string& archive, const std::vector<std::string>& damage,
                       const std::vector<EntryJob>& jobs, const Targets& targets, bool flat, std::string& report) {
    if (jobs.empty() && !damage.empty()) {
        report += ReportLine(archive, "not an archive of this library");
        return kErrorNotArchive;
    }
    int result = ExtractEntries(jobs, targets, flat, report);
    for (const std::string& d : damage) report += ReportLine(archive, d.c_str());
    if (!damage.empty() && result == kOk) result = kErrorCorrupt;
    return result;
}

int SplitCommand(const std::vector<std::string>& args, std::vector<std::string>& options, std::string& archive,
                 Targets& targets, std::string& report) {
    std::vector<std::string> words{args[0]};
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i].size() > 1 && args[i][0] == '-') options.push_back(args[i]);
        else words.push_back(args[i]);
    }
    if (words.size() < 2) {
        report += ReportLine(args[0], "no archive named");
        return kErrorCommand;
    }
    archive = words[1];
    if (!SplitTargets(words, 2, targets)) {
        report += ReportLine(archive, "list file cannot be read");
        return kErrorResponseFile;
    }
    return kOk;
}

}  // namespace qaz::archivers
