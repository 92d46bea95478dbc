// Listing and extracting cabinets with our own reader (components/codecs/cab):
// the set's other parts are looked for beside the first, names marked UTF-8
// are converted, and each file is written under a temporary name and takes
// its own only when all its declared bytes came out of checked blocks.
#include <memory>
#include <vector>

#include "components/archivers/cab32/cabinet_io.h"
#include "components/archivers/common/command_progress.h"
#include "components/archivers/common/extract_entries.h"
#include "components/archivers/common/extract_target.h"
#include "components/archivers/common/win_io.h"
#include "components/codecs/cab.h"

namespace qaz::archivers {
namespace {

using codecs::CabSet;
using codecs::CabStatus;

// The cabinet in path (at offset, or searched for when offset is 0) with
// the parts of its set that lie in the same folder.
bool OpenSet(const std::string& path, uint64_t offset, CabSet& set) {
    auto first = std::make_unique<FileSource>(path);
    if (!first->isOpen()) return false;
    codecs::CabHeader header;
    const uint64_t base = offset && codecs::ReadCabHeader(*first, offset, header) ? offset : codecs::FindCabinet(*first);
    if (base == UINT64_MAX) return false;
    const std::string folder = FolderOf(path);
    auto open = [&folder](const std::string& name) -> std::unique_ptr<codecs::RandomSource> {
        // A part's name is a plain file name; anything with a path in it is not looked for.
        if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return nullptr;
        auto part = std::make_unique<FileSource>(folder + name);
        if (!part->isOpen()) return nullptr;
        return part;
    };
    return set.Open(std::move(first), base, open);
}

std::string NameOf(const codecs::CabFile& f) { return f.utf8 ? AnsiFromUtf8(f.name) : f.name; }

int ResultOf(CabStatus st) {
    switch (st) {
    case CabStatus::Ok: return kOk;
    case CabStatus::Unsupported: return kErrorMethod;
    case CabStatus::Stopped: return kErrorDiskSpace;
    case CabStatus::MissingPart: return kErrorNoArchive;
    default: return kErrorCorrupt;
    }
}

// Where the reader's files go: the entry's temporary file, committed only
// when the reader says it is whole.
class Writer : public codecs::CabFileTarget {
public:
    Writer(const CabSet& set, ExtractTarget& target, const std::vector<std::string>& names,
           const std::vector<std::string>& relative, std::string& report)
        : set_(set), target_(target), names_(names), relative_(relative), report_(report) {}
    bool Begin(size_t file) override {
        begun_ = false;
        const std::string folder = FolderOf(relative_[file]);
        if (!folder.empty() && !target_.MakeFolder(folder.substr(0, folder.size() - 1))) {
            Fail(file, "folder cannot be made", kErrorCannotWrite);
            return false;
        }
        const int r = target_.BeginFile(relative_[file], set_.files()[file].size);
        if (r != kOk) {
            Fail(file, r == kErrorDiskSpace ? "does not fit on the disk" : "cannot be written", r);
            return false;
        }
        begun_ = true;
        return true;
    }
    bool Write(const uint8_t* data, size_t size) override { return target_.Write(data, size); }
    void End(size_t file, CabStatus st) override {
        const bool begun = begun_;
        begun_ = false;
        if (st != CabStatus::Ok) {
            if (begun) target_.AbortFile();
            if (failed_ == file + 1) return;  // told already
            const codecs::CabFolder& folder = set_.folders()[set_.files()[file].folder];
            if (st == CabStatus::MissingPart) {
                const std::string& part = folder.missingBefore.empty() ? folder.missingAfter : folder.missingBefore;
                Fail(file, ("needs the part " + part + ", which is missing").c_str(), kErrorNoArchive);
            } else if (st == CabStatus::Unsupported) {
                Fail(file, ("method " + codecs::CabMethodName(folder.type) + " not supported").c_str(), kErrorMethod);
            } else {
                Fail(file, codecs::CabStatusText(st), ResultOf(st));
            }
            return;
        }
        if (!begun) return;  // refused at Begin and reported there
        const codecs::CabFile& f = set_.files()[file];
        const FILETIME when = FileTimeOfLocalDos(f.date, f.time);
        const int done = target_.CommitFile(&when);
        report_ += ReportLine(names_[file], done == kOk ? "extracted" : "cannot be written");
        if (done != kOk) Note(done);
    }
    int result = kOk;

private:
    void Fail(size_t file, const char* why, int code) {
        report_ += ReportLine(names_[file], why);
        failed_ = file + 1;
        Note(code);
    }
    void Note(int code) {
        if (result == kOk || code == kErrorDiskSpace) result = code;
    }
    const CabSet& set_;
    ExtractTarget& target_;
    const std::vector<std::string>& names_;
    const std::vector<std::string>& relative_;
    std::string& report_;
    bool begun_ = false;
    size_t failed_ = 0;  // the file last reported, plus one
};

}  // namespace

bool IsCabinet(const std::string& path) {
    FileSource f(path);
    return f.isOpen() && codecs::FindCabinet(f) != UINT64_MAX;
}

bool ListCabinet(const std::string& path, std::vector<ListedEntry>& entries) {
    CabSet set;
    if (!OpenSet(path, 0, set)) return false;
    for (const codecs::CabFile& f : set.files()) {
        ListedEntry e;
        e.path = NameOf(f);
        e.size = f.size;
        e.dosDate = f.date;
        e.dosTime = f.time;
        e.method = codecs::CabMethodName(set.folders()[f.folder].type);
        entries.push_back(e);
    }
    return true;
}

int ExtractCabinet(const std::string& path, uint64_t offset, const Targets& targets, bool flat, std::string& report) {
    CabSet set;
    if (!OpenSet(path, offset, set)) {
        report += ReportLine(path, "not a cabinet");
        return kErrorNotArchive;
    }
    ExtractTarget target(targets.destination);
    if (!target.ready()) {
        report += ReportLine(targets.destination, "folder cannot be made");
        return kErrorCannotWrite;
    }
    // A set with a part missing is never reported as whole.
    int result = kOk;
    for (const auto& m : set.missing()) {
        report += ReportLine(m.first, m.second.c_str());
        result = kErrorNoArchive;
    }
    const std::vector<codecs::CabFile>& files = set.files();
    std::vector<std::string> names(files.size()), relative(files.size());
    std::vector<std::vector<size_t>> byFolder(set.folders().size());
    for (size_t i = 0; i < files.size(); ++i) {
        names[i] = NameOf(files[i]);
        if (!Selected(targets, names[i])) continue;
        const codecs::PathVerdict verdict = target.Check(flat ? LastPart(names[i]) : names[i], relative[i]);
        if (verdict != codecs::PathVerdict::Ok) {
            report += ReportLine(names[i], codecs::PathVerdictText(verdict));
            if (result == kOk) result = kErrorRefused;
            continue;
        }
        byFolder[files[i].folder].push_back(i);
        ProgressTotal(files[i].size);
    }
    Writer writer(set, target, names, relative, report);
    for (size_t f = 0; f < byFolder.size(); ++f)
        if (!byFolder[f].empty()) set.ExtractFolder(f, byFolder[f], writer);
    if (writer.result != kOk && (result == kOk || writer.result == kErrorDiskSpace)) result = writer.result;
    return result;
}

}  // namespace qaz::archivers
