// Tar32.dll: tar archives, plain or compressed with gzip or compress, and
// single .gz and .Z files. Commands: "x" (extract; "G" for a single
// compressed file), "c" (create; "z" and a level digit for gzip).
#include <algorithm>
#include <memory>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_line.h"
#include "components/archivers/common/command_progress.h"
#include "components/archivers/common/extract_target.h"
#include "components/archivers/common/pack_items.h"
#include "components/archivers/common/win_io.h"
#include "components/codecs/gzip.h"
#include "components/codecs/lzw.h"
#include "components/codecs/tar.h"

using namespace qaz::archivers;
namespace codecs = qaz::codecs;

namespace {

enum class Packing { None, Gzip, Compress };

Packing PackingOf(const uint8_t* head, size_t size) {
    if (codecs::LooksLikeGzip(head, size)) return Packing::Gzip;
    if (codecs::LooksLikeCompress(head, size)) return Packing::Compress;
    return Packing::None;
}

// Replays the first bytes it was given before reading on, so that the
// decoded stream can be looked at before it is read as a tar.
class PeekSource : public codecs::ByteSource {
public:
    explicit PeekSource(codecs::ByteSource& in) : in_(in) {}
    size_t Peek(uint8_t* out, size_t size) {
        head_.resize(size);
        size_t got = 0;
        while (got < size) {
            const size_t n = in_.Read(head_.data() + got, size - got);
            if (n == 0) break;
            got += n;
        }
        head_.resize(got);
        std::copy(head_.begin(), head_.end(), out);
        return got;
    }
    size_t Read(uint8_t* out, size_t size) override {
        if (at_ < head_.size()) {
            const size_t n = std::min(size, head_.size() - at_);
            std::copy(head_.begin() + static_cast<std::ptrdiff_t>(at_), head_.begin() + static_cast<std::ptrdiff_t>(at_ + n), out);
            at_ += n;
            return n;
        }
        return in_.Read(out, size);
    }
    codecs::ArcError error() const override { return in_.error(); }

private:
    codecs::ByteSource& in_;
    std::vector<uint8_t> head_;
    size_t at_ = 0;
};

// An archive opened for reading: the file, its decoder, and what it holds.
struct Opened {
    std::unique_ptr<FileSource> file;
    std::unique_ptr<codecs::ByteSource> decoder;
    std::unique_ptr<PeekSource> stream;
    Packing packing = Packing::None;
    bool isTar = false;
    uint64_t fileSize = 0;
    std::string storedName;  // gzip's original name
    uint32_t storedTime = 0;

    bool Open(const std::string& path) {
        uint8_t head[4096];
        size_t got = 0;
        if (!ReadHead(path, head, sizeof head, got)) return false;
        packing = PackingOf(head, got);
        codecs::GzipHeader h;
        if (packing == Packing::Gzip && codecs::ParseGzipHeader(head, got, h) == codecs::ArcError::None) {
            storedName = h.name;
            storedTime = h.mtime;
        }
        file = std::make_unique<FileSource>(path);
        if (!file->isOpen()) return false;
        fileSize = file->Size();
        if (packing == Packing::Gzip) decoder = std::make_unique<codecs::GzipSource>(*file);
        if (packing == Packing::Compress) decoder = std::make_unique<codecs::LzwSource>(*file);
        stream = std::make_unique<PeekSource>(decoder ? *decoder : static_cast<codecs::ByteSource&>(*file));
        uint8_t block[512];
        isTar = codecs::LooksLikeTar(block, stream->Peek(block, sizeof block));
        return true;
    }
};

const char* MethodOf(Packing packing, bool isTar) {
    switch (packing) {
        case Packing::Gzip: return isTar ? "tar.gz" : "gzip";
        case Packing::Compress: return isTar ? "tar.Z" : "compress";
        default: return "tar";
    }
}

// The name of a single compressed file: the stored one when it is a plain
// safe name, else the archive's name without its last extension (".tgz"
// and ".taz" become ".tar").
std::string SingleName(const std::string& archive, const std::string& stored) {
    std::string name = AnsiFromUtf8(stored);
    std::string safe;
    if (!name.empty() && codecs::SafeRelativePath(name, safe, IsLeadByte) ==
                             codecs::PathVerdict::Ok &&
        safe.find('\\') == std::string::npos)
        return safe;
    const size_t start = NameStart(archive);
    size_t dot = archive.rfind('.');  // never a trail byte: those are 0x40 and above
    if (dot != std::string::npos && dot < start) dot = std::string::npos;
    name = archive.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (dot != std::string::npos) {
        std::string ext = archive.substr(dot);
        for (char& c : ext) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (ext == ".TGZ" || ext == ".TAZ") name += ".tar";
    }
    return name.empty() ? "data" : name;
}

// A single file's time: the one gzip stored, else the archive file's.
int64_t SingleTime(const std::string& archive, const Opened& a) {
    if (a.storedTime) return a.storedTime;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(archive.c_str(), GetFileExInfoStandard, &data)) return UnixOfFileTime(data.ftLastWriteTime);
    return 0;
}

// Names in tar archives are UTF-8 when written by today's systems, or the
// bytes of the system that made them: on a Japanese system a name that is
// valid EUC-JP (as Japanese Unix systems wrote them) is read as such.
std::string EntryName(const std::string& raw) {
    std::string converted;
    if (!IsUtf8BeyondAscii(raw) && GetACP() == 932 && codecs::ShiftJisFromEucJp(raw, converted)) return converted;
    return AnsiFromUtf8(raw);
}

bool Check(const std::string& archive) {
    Opened a;
    if (!a.Open(archive)) return false;
    return a.packing != Packing::None || a.isTar;
}

bool List(const std::string& archive, std::vector<ListedEntry>& entries) {
    Opened a;
    if (!a.Open(archive)) return false;
    const char* method = MethodOf(a.packing, a.isTar);
    uint64_t total = 0;
    if (!a.isTar) {
        if (a.packing == Packing::None) return false;
        ListedEntry e;
        e.path = SingleName(archive, a.storedName);
        uint8_t buf[1 << 16];
        for (size_t n; (n = a.stream->Read(buf, sizeof buf)) > 0;) e.size += n;
        if (a.stream->error() != codecs::ArcError::None) return false;
        e.packed = a.fileSize;
        e.method = method;
        LocalDosTimeOfUnix(SingleTime(archive, a), e.dosDate, e.dosTime);
        entries.push_back(e);
        return true;
    }
    codecs::TarReader tar(*a.stream);
    codecs::TarEntry t;
    while (tar.Next(t)) {
        ListedEntry e;
        e.path = EntryName(t.name);
        if (t.kind == codecs::TarKind::Folder && !e.isFolder()) e.path += '/';
        e.size = t.kind == codecs::TarKind::File ? t.size : 0;
        e.method = t.kind == codecs::TarKind::SymLink    ? "symlink"
                   : t.kind == codecs::TarKind::HardLink ? "link"
                   : t.sparse                            ? "sparse"
                                                         : method;
        LocalDosTimeOfUnix(t.mtime, e.dosDate, e.dosTime);
        total += e.size;
        if (!KeepListed(entries, std::move(e))) return false;
    }
    if (tar.error() != codecs::ArcError::None) return false;
    // Entries share the archive's ratio: a compressed tar packs them as one stream.
    const double ratio = a.packing == Packing::None || total == 0
                             ? 1000.0
                             : 1000.0 * static_cast<double>(a.fileSize) / static_cast<double>(total);
    for (ListedEntry& e : entries) {
        e.packed = static_cast<uint64_t>(static_cast<double>(e.size) * ratio / 1000.0);
        if (e.size > 0) e.ratio = static_cast<int>(ratio + 0.5);
    }
    return true;
}

// Copies what read gives into the target's open file; false when the file
// would outgrow the room on the disk.
template <class ReadFn>
bool Pour(ReadFn read, ExtractTarget& target) {
    std::vector<uint8_t> buf(1 << 16);
    for (size_t n; (n = read(buf.data(), buf.size())) > 0;)
        if (!target.Write(buf.data(), n)) return false;
    return true;
}

int ExtractSingle(const std::string& archive, Opened& a, const Targets& targets, std::string& report) {
    if (a.packing == Packing::None) {
        report += ReportLine(archive, "not a compressed file");
        return kErrorNotArchive;
    }
    ExtractTarget target(targets.destination);
    if (!target.ready()) return kErrorCannotWrite;
    const std::string name = SingleName(archive, a.storedName);
    if (!Selected(targets, name)) return kOk;
    int result = target.BeginFile(name, 0);
    if (result != kOk) {
        report += ReportLine(name, "cannot be written");
        return result;
    }
    const bool fits = Pour([&](uint8_t* b, size_t n) { return a.stream->Read(b, n); }, target);
    const codecs::ArcError error = a.stream->error();
    if (!fits || error != codecs::ArcError::None) {
        target.AbortFile();
        report += ReportLine(name, !fits ? "does not fit on the disk" : codecs::ArcErrorText(error));
        return !fits ? kErrorDiskSpace : ResultOfError(error);
    }
    const FILETIME when = FileTimeOfUnix(SingleTime(archive, a));
    result = target.CommitFile(&when);
    report += ReportLine(name, result == kOk ? "extracted" : "cannot be written");
    return result;
}

// Reads the decoded stream to its end after the archive's last entry, so
// that a gzip stream's check value (CRC-32 and length) is compared.
codecs::ArcError ReadToEnd(codecs::ByteSource& stream) {
    std::vector<uint8_t> buf(1 << 16);
    while (stream.Read(buf.data(), buf.size()) > 0) {
    }
    return stream.error();
}

int ExtractTar(Opened& a, const Targets& targets, std::string& report) {
    ExtractTarget target(targets.destination);
    if (!target.ready()) return kErrorCannotWrite;
    // A compressed archive is checked only at its end: its files keep their
    // temporary names until then.
    if (a.packing != Packing::None) target.HoldFiles();
    codecs::TarReader tar(*a.stream);
    codecs::TarEntry t;
    int result = kOk;
    bool full = false;  // the disk is: no further entry is written
    while (!full && tar.Next(t)) {
        const std::string name = EntryName(t.name);
        if (!Selected(targets, name)) continue;
        std::string relative;
        const codecs::PathVerdict verdict = target.Check(name, relative);
        if (verdict != codecs::PathVerdict::Ok) {
            if (verdict != codecs::PathVerdict::Empty || t.kind != codecs::TarKind::Folder) {
                report += ReportLine(name, codecs::PathVerdictText(verdict));
                result = kErrorRefused;
            }
            continue;
        }
        switch (t.kind) {
            case codecs::TarKind::Folder:
                if (!target.MakeFolder(relative)) {
                    report += ReportLine(name, "folder cannot be made");
                    result = kErrorCannotWrite;
                }
                break;
            case codecs::TarKind::File: {
                const int begun = target.BeginFile(relative, t.size);
                if (begun != kOk) {
                    report += ReportLine(name, begun == kErrorDiskSpace ? "does not fit on the disk" : "cannot be written");
                    full = begun == kErrorDiskSpace;
                    result = begun;
                    break;
                }
                const bool fits = Pour([&](uint8_t* b, size_t n) { return tar.ReadData(b, n); }, target);
                if (!fits) {
                    target.AbortFile();
                    report += ReportLine(name, "does not fit on the disk");
                    full = true;
                    result = kErrorDiskSpace;
                    break;
                }
                if (tar.error() != codecs::ArcError::None) {
                    target.AbortFile();
                    report += ReportLine(name, codecs::ArcErrorText(tar.error()));
                    break;  // reported with the archive's error below
                }
                const FILETIME when = FileTimeOfUnix(t.mtime);
                const int done = target.CommitFile(&when);
                report += ReportLine(name, done == kOk ? "extracted" : "cannot be written");
                if (done != kOk) result = done;
                break;
            }
            case codecs::TarKind::HardLink:
            case codecs::TarKind::SymLink:
                // A hard link names its target from the archive's top, a
                // symbolic one from its own folder. Made after every file.
                if (target.AddLink(name, relative, EntryName(t.linkTarget), t.kind == codecs::TarKind::HardLink) !=
                    kOk) {
                    report += ReportLine(name, "link leads outside the destination");
                    result = kErrorRefused;
                }
                break;
            default:
                report += ReportLine(name, "skipped (device or special file)");
                break;
        }
    }
    // The files written before a full disk stopped us are kept when the
    // rest of the stream checks out.
    codecs::ArcError error = tar.error();
    if (error == codecs::ArcError::None && a.packing != Packing::None) error = ReadToEnd(*a.stream);
    if (error != codecs::ArcError::None) {
        target.DiscardHeld();
        report += ReportLine("archive", codecs::ArcErrorText(error));
        if (a.packing != Packing::None) report += ReportLine("archive", "nothing was extracted");
        return ResultOfError(error);
    }
    const int published = target.Publish();
    if (published != kOk) {
        report += ReportLine("archive", "some files could not be given their names");
        result = published;
    }
    if (full) return result;
    const int linked = target.MakeLinks(report);
    return result != kOk ? result : linked;
}

int Create(const std::string& archive, bool gzip, int level, const Targets& targets, std::string& report);

// About the bytes an extraction writes, for its progress: a plain tar's own
// size, the size a gzip stream states at its end (modulo 4 GB), or 0 when
// unknown (compress).
uint64_t ExpectedSize(const std::string& archive, const Opened& a) {
    if (a.packing == Packing::None) return a.fileSize;
    if (a.packing != Packing::Gzip || a.fileSize < 18) return 0;
    FileSource file(archive);
    uint8_t tail[4];
    if (!file.ReadAt(a.fileSize - 4, tail, 4)) return 0;
    return tail[0] | tail[1] << 8 | tail[2] << 16 | static_cast<uint64_t>(tail[3]) << 24;
}

int Command(HWND, const std::vector<std::string>& args, std::string& report) {
    std::string key = args[0];
    if (!key.empty() && key[0] == '-') key.erase(0, 1);
    bool extract = false, create = false, single = false, gzip = false, archiveNamed = false;
    int level = 6;
    for (size_t i = 0; i < key.size(); ++i) {
        switch (key[i]) {
            case 'x': extract = true; break;
            case 'c': create = true; break;
            case 'v': case 'o': break;  // verbose report; overwrite (we always replace)
            case 'f': archiveNamed = true; break;
            case 'G': single = true; break;
            case 'z':
                gzip = true;
                if (i + 1 < key.size() && key[i + 1] >= '0' && key[i + 1] <= '9') level = key[++i] - '0';
                break;
            default:
                report += ReportLine(key, "option not supported");
                return kErrorCommand;
        }
    }
    if (extract == create || !archiveNamed || args.size() < 2) {
        report += ReportLine(args[0], "command not supported");
        return kErrorCommand;
    }
    const std::string& archive = args[1];
    Targets targets;
    if (!SplitTargets(args, 2, targets)) {
        report += ReportLine(archive, "list file cannot be read");
        return kErrorResponseFile;
    }
    if (create) return Create(archive, gzip, level, targets, report);
    if (GetFileAttributesA(archive.c_str()) == INVALID_FILE_ATTRIBUTES) return kErrorNoArchive;
    Opened a;
    if (!a.Open(archive)) return kErrorCannotRead;
    ProgressTotal(ExpectedSize(archive, a));
    if (single || !a.isTar) {
        if (!single && a.packing == Packing::None) {
            report += ReportLine(archive, "not a tar archive");
            return kErrorNotArchive;
        }
        return ExtractSingle(archive, a, targets, report);
    }
    return ExtractTar(a, targets, report);
}

// Writes the new archive to a temporary file beside it and puts it in
// place only when it is complete.
class ArchiveFile : public codecs::ByteSink {
public:
    explicit ArchiveFile(const std::string& path) : path_(path) {
        const std::string folder = FolderOf(path);
        char temp[MAX_PATH];
        if (GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "qz", 0, temp)) {
            temp_ = temp;
            file_ = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        buffer_.reserve(kBuffer);
    }
    ~ArchiveFile() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        if (!temp_.empty()) DeleteFileA(temp_.c_str());
    }
    bool ok() const { return file_ != INVALID_HANDLE_VALUE; }
    bool Write(const uint8_t* data, size_t size) override {
        buffer_.insert(buffer_.end(), data, data + size);
        return buffer_.size() < kBuffer || Flush();
    }
    bool Commit() {
        if (!Flush()) return false;
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        if (!MoveFileExA(temp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
        temp_.clear();
        return true;
    }

private:
    static constexpr size_t kBuffer = 1 << 20;
    bool Flush() {
        DWORD done = 0;
        if (file_ == INVALID_HANDLE_VALUE) return false;
        if (!buffer_.empty() &&
            (!WriteFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &done, nullptr) || done != buffer_.size()))
            return false;
        buffer_.clear();
        return true;
    }
    std::string path_, temp_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::vector<uint8_t> buffer_;
};

int Create(const std::string& archive, bool gzip, int level, const Targets& targets, std::string& report) {
    if (!targets.destination.empty() || targets.patterns.empty()) {
        report += ReportLine(archive, "nothing to pack");
        return kErrorCommand;
    }
    std::vector<std::string> missing;
    const std::vector<PackItem> items = CollectPackItems(targets.patterns, missing);
    for (const std::string& m : missing) report += ReportLine(m, "not found");
    ArchiveFile file(archive);
    if (!file.ok()) return kErrorCannotWrite;
    std::unique_ptr<codecs::GzipWriter> gz;
    if (gzip) gz = std::make_unique<codecs::GzipWriter>(file, level);
    codecs::TarWriter tar(gzip ? static_cast<codecs::ByteSink&>(*gz) : file);
    std::vector<uint8_t> buf(1 << 16);
    for (const PackItem& item : items) {
        std::string name = Utf8FromAnsi(item.path);
        for (char& c : name)
            if (c == '\\') c = '/';
        const int64_t mtime = UnixOfFileTime(item.modified);
        if (item.isFolder) {
            if (!tar.AddFolder(name, mtime)) return kErrorCannotWrite;
            continue;
        }
        FileSource in(item.source);
        if (!in.isOpen()) {
            report += ReportLine(item.path, "cannot be read");
            return kErrorCannotRead;
        }
        ProgressEntry(item.path);
        if (!tar.BeginFile(name, in.Size(), mtime)) return kErrorCannotWrite;
        uint64_t left = in.Size();
        while (left > 0) {
            const size_t n = in.Read(buf.data(), static_cast<size_t>(std::min<uint64_t>(left, buf.size())));
            if (n == 0) {
                report += ReportLine(item.path, "changed while it was packed");
                return kErrorCannotRead;
            }
            if (!ProgressAdvance(n) || !tar.WriteData(buf.data(), n)) return kErrorCannotWrite;
            left -= n;
        }
        if (!tar.EndFile()) return kErrorCannotWrite;
        report += ReportLine(item.path, "packed");
    }
    if (!tar.Finish() || (gz && !gz->Finish()) || !file.Commit()) {
        report += ReportLine(archive, "cannot be written");
        return kErrorCannotWrite;
    }
    return missing.empty() ? kOk : kErrorCannotRead;
}

}  // namespace

const Format qaz::archivers::kFormat = {Check, List, Command};

QAZ_ARCHIVER_ENTRIES(Tar)
QAZ_ARCHIVER_COMMAND(Tar)
