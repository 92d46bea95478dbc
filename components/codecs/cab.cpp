#include "components/codecs/cab.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "components/codecs/bytes.h"
#include "components/codecs/lzx.h"

namespace qaz::codecs {
namespace {

constexpr uint16_t kFlagPrev = 1, kFlagNext = 2, kFlagReserve = 4;
constexpr uint16_t kContinuedFromPrev = 0xFFFD, kContinuedToNext = 0xFFFE, kContinuedBoth = 0xFFFF;
constexpr uint16_t kAttrUtf8 = 0x80;
constexpr size_t kMaxParts = 1024;
constexpr uint32_t kBlockOut = 32768;

// A zero-terminated name of at most 256 bytes at offset; false when it runs
// past the end of the data or the limit.
bool ReadName(RandomSource& in, uint64_t offset, std::string& name, size_t& used) {
    uint8_t buf[257];
    const uint64_t size = in.Size();
    if (offset >= size) return false;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof buf, size - offset));
    if (!in.ReadAt(offset, buf, n)) return false;
    const void* end = std::memchr(buf, 0, n);
    if (!end) return false;
    used = static_cast<size_t>(static_cast<const uint8_t*>(end) - buf) + 1;
    name.assign(reinterpret_cast<const char*>(buf), used - 1);
    return true;
}

// The file's bytes read ahead in large pieces: the data blocks are read one
// after another.
class ReadAhead {
public:
    explicit ReadAhead(RandomSource& in) : in_(in) {}
    // size bytes at offset, or null when they are not in the file.
    const uint8_t* At(uint64_t offset, size_t size) {
        if (offset < start_ || offset + size > start_ + filled_) {
            const uint64_t total = in_.Size();
            if (offset > total || size > total - offset) return nullptr;
            const size_t n = static_cast<size_t>(std::min<uint64_t>(std::max<size_t>(size, kPiece), total - offset));
            buf_.resize(std::max(buf_.size(), n));
            if (!in_.ReadAt(offset, buf_.data(), n)) return nullptr;
            start_ = offset;
            filled_ = n;
        }
        return buf_.data() + (offset - start_);
    }
    // Gives the buffer back (a set of many parts is read one part at a time).
    void Release() {
        std::vector<uint8_t>().swap(buf_);
        start_ = 0;
        filled_ = 0;
    }

private:
    static constexpr size_t kPiece = 256u << 10;
    RandomSource& in_;
    std::vector<uint8_t> buf_;
    uint64_t start_ = 0;
    size_t filled_ = 0;
};

// One method's block decoder: each block gives exactly outSize bytes.
class BlockDecoder {
public:
    virtual ~BlockDecoder() = default;
    virtual CabStatus Decode(const uint8_t* in, size_t size, uint8_t* out, size_t outSize) = 0;
};

class StoredDecoder : public BlockDecoder {
public:
    CabStatus Decode(const uint8_t* in, size_t size, uint8_t* out, size_t outSize) override {
        if (size != outSize) return CabStatus::Corrupt;
        std::memcpy(out, in, size);
        return CabStatus::Ok;
    }
};

// MSZIP: each block is "CK" and a deflate stream of its own, but back
// references reach into the 32 KB written before it: zlib's window is kept
// from one block's stream to the next (inflateResetKeep).
class MszipDecoder : public BlockDecoder {
public:
    MszipDecoder() { ok_ = inflateInit2(&z_, -15) == Z_OK; }
    ~MszipDecoder() override {
        if (ok_) inflateEnd(&z_);
    }
    CabStatus Decode(const uint8_t* in, size_t size, uint8_t* out, size_t outSize) override {
        if (!ok_ || size < 2 || in[0] != 'C' || in[1] != 'K') return CabStatus::Corrupt;
        inflateResetKeep(&z_);
        z_.next_in = const_cast<uint8_t*>(in + 2);
        z_.avail_in = static_cast<uInt>(size - 2);
        z_.next_out = out;
        z_.avail_out = static_cast<uInt>(outSize);
        int r = Z_OK;
        while (r == Z_OK && z_.avail_out > 0) r = inflate(&z_, Z_NO_FLUSH);
        // The block's stream must end, or at least have filled the block exactly.
        if (z_.avail_out != 0 || (r != Z_STREAM_END && r != Z_OK && r != Z_BUF_ERROR)) return CabStatus::Corrupt;
        return CabStatus::Ok;
    }

private:
    z_stream z_ = {};
    bool ok_ = false;
};

class LzxBlockDecoder : public BlockDecoder {
public:
    explicit LzxBlockDecoder(int windowBits) : lzx_(windowBits) {}
    CabStatus Decode(const uint8_t* in, size_t size, uint8_t* out, size_t outSize) override {
        return lzx_.DecodeFrame(in, size, out, outSize) ? CabStatus::Ok : CabStatus::Corrupt;
    }

private:
    LzxDecoder lzx_;
};

std::unique_ptr<BlockDecoder> DecoderFor(uint16_t type) {
    switch (type & 0x0F) {
    case kCabStored: return std::make_unique<StoredDecoder>();
    case kCabMszip: return std::make_unique<MszipDecoder>();
    case kCabLzx: {
        const int window = (type >> 8) & 0x1F;
        if (window < 15 || window > 21) return nullptr;
        return std::make_unique<LzxBlockDecoder>(window);
    }
    default: return nullptr;
    }
}

}  // namespace

const char* CabStatusText(CabStatus status) {
    switch (status) {
    case CabStatus::Ok: return "ok";
    case CabStatus::Corrupt: return "data damaged (check value wrong)";
    case CabStatus::Truncated: return "data ends early";
    case CabStatus::Stopped: return "does not fit on the disk";
    case CabStatus::Unsupported: return "method not supported";
    case CabStatus::MissingPart: return "the next part of the set is missing";
    }
    return "error";
}

uint32_t CabChecksum(const uint8_t* data, size_t size, uint32_t seed) {
    uint32_t sum = seed;
    size_t i = 0;
    for (; i + 4 <= size; i += 4) sum ^= Le32(data + i);
    // The last one to three bytes, the first of them highest.
    uint32_t tail = 0;
    for (; i < size; ++i) tail = tail << 8 | data[i];
    return sum ^ tail;
}

std::string CabMethodName(uint16_t type) {
    switch (type & 0x0F) {
    case kCabStored: return "Stored";
    case kCabMszip: return "MSZIP";
    case kCabQuantum: return "Quantum";
    case kCabLzx: return "LZX:" + std::to_string((type >> 8) & 0x1F);
    default: return "Method" + std::to_string(type & 0x0F);
    }
}

bool ReadCabHeader(RandomSource& in, uint64_t base, CabHeader& h) {
    uint8_t b[40];
    const uint64_t total = in.Size();
    if (base > total || total - base < 36 || !in.ReadAt(base, b, 36)) return false;
    if (std::memcmp(b, "MSCF", 4) != 0 || b[24] != 3 || b[25] != 1) return false;
    h = CabHeader();
    h.base = base;
    h.size = Le32(b + 8);
    h.filesOffset = Le32(b + 16);
    h.folders = Le16(b + 26);
    h.files = Le16(b + 28);
    h.flags = Le16(b + 30);
    h.setId = Le16(b + 32);
    h.index = Le16(b + 34);
    if (h.folders == 0 || h.files == 0 || h.size < 36 || h.filesOffset < 36 || h.filesOffset >= h.size) return false;
    uint64_t at = 36;
    if (h.flags & kFlagReserve) {
        if (total - base < at + 4 || !in.ReadAt(base + at, b, 4)) return false;
        h.folderReserve = b[2];
        h.dataReserve = b[3];
        at += 4 + Le16(b);
    }
    size_t used = 0;
    std::string disk;
    if (h.flags & kFlagPrev) {
        if (!ReadName(in, base + at, h.prevName, used)) return false;
        at += used;
        if (!ReadName(in, base + at, disk, used)) return false;
        at += used;
    }
    if (h.flags & kFlagNext) {
        if (!ReadName(in, base + at, h.nextName, used)) return false;
        at += used;
        if (!ReadName(in, base + at, disk, used)) return false;
        at += used;
    }
    h.foldersAt = at;
    return at + uint64_t{h.folders} * (8 + h.folderReserve) <= h.filesOffset;
}

uint64_t FindCabinet(RandomSource& in) {
    CabHeader h;
    if (ReadCabHeader(in, 0, h)) return 0;
    const uint64_t total = in.Size();
    const uint64_t limit = std::min(total, kCabSearchLimit);
    std::vector<uint8_t> buf(1u << 16);
    for (uint64_t at = 1; at + 36 <= limit;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), total - at));
        if (!in.ReadAt(at, buf.data(), n)) return UINT64_MAX;
        for (size_t i = 0; i + 4 <= n; ++i) {
            if (buf[i] != 'M' || std::memcmp(&buf[i], "MSCF", 4) != 0) continue;
            // Only where the first reserved field is zero and the cabinet
            // lies within the file.
            if (ReadCabHeader(in, at + i, h) && h.size <= total - (at + i)) {
                uint8_t reserved[4];
                if (in.ReadAt(at + i + 4, reserved, 4) && Le32(reserved) == 0) return at + i;
            }
        }
        at += n > 3 ? n - 3 : n;
    }
    return UINT64_MAX;
}

bool CabSet::ReadPart(Part& part, uint64_t base) { return part.source && ReadCabHeader(*part.source, base, part.header); }

bool CabSet::ReadRecords(size_t p, bool first, std::vector<CabFile>& files, std::vector<CabFolder>& folders,
                         bool& continuesBefore, bool& continuesAfter) {
    RandomSource& in = *parts_[p].source;
    const CabHeader& h = parts_[p].header;
    const size_t folderRecord = 8 + h.folderReserve;
    std::vector<uint8_t> recs(h.folders * folderRecord);
    if (!in.ReadAt(h.base + h.foldersAt, recs.data(), recs.size())) return false;
    for (size_t i = 0; i < h.folders; ++i) {
        const uint8_t* r = &recs[i * folderRecord];
        CabFolder f;
        f.type = Le16(r + 6);
        f.spans.push_back({p, h.base + Le32(r), Le16(r + 4)});
        folders.push_back(f);
    }
    // The file records: at most 16 bytes and a name of 256 each.
    const uint64_t total = in.Size();
    const uint64_t at = h.base + h.filesOffset;
    if (at >= total) return false;
    std::vector<uint8_t> area(static_cast<size_t>(std::min<uint64_t>(total - at, uint64_t{h.files} * (16 + 257))));
    if (!in.ReadAt(at, area.data(), area.size())) return false;
    size_t pos = 0;
    for (size_t i = 0; i < h.files; ++i) {
        if (area.size() - pos < 17) return false;
        const uint8_t* r = &area[pos];
        const void* end = std::memchr(r + 16, 0, std::min<size_t>(257, area.size() - pos - 16));
        if (!end) return false;
        CabFile f;
        f.size = Le32(r);
        f.offset = Le32(r + 4);
        const uint16_t index = Le16(r + 8);
        f.date = Le16(r + 10);
        f.time = Le16(r + 12);
        f.attribs = Le16(r + 14);
        f.utf8 = (f.attribs & kAttrUtf8) != 0;
        f.name.assign(reinterpret_cast<const char*>(r + 16), static_cast<const uint8_t*>(end) - (r + 16));
        pos = static_cast<size_t>(static_cast<const uint8_t*>(end) - area.data()) + 1;
        if (index == kContinuedFromPrev || index == kContinuedBoth) {
            continuesBefore = true;
            if (index == kContinuedBoth) continuesAfter = true;
            if (!first) continue;  // listed already by the part before
            f.folder = 0;
        } else if (index == kContinuedToNext) {
            continuesAfter = true;
            f.folder = h.folders - 1u;
        } else if (index < h.folders) {
            f.folder = index;
        } else {
            return false;
        }
        files.push_back(f);
    }
    return true;
}

bool CabSet::Open(std::unique_ptr<RandomSource> first, uint64_t base, const Opener& open) {
    parts_.clear();
    files_.clear();
    folders_.clear();
    missing_.clear();
    parts_.push_back(Part{std::move(first), {}});
    if (!ReadPart(parts_[0], base)) return false;
    // A neighbour belongs to the set when it names the same set and the
    // next number; any other file stops the walk as if it were missing.
    auto neighbour = [&](const CabHeader& from, const std::string& name, int step, Part& part) {
        part.source = open ? open(name) : nullptr;
        if (!part.source) {
            missing_.push_back({name, "is missing"});
            return false;
        }
        if (!ReadPart(part, 0) || part.header.setId != from.setId || part.header.index != from.index + step) {
            missing_.push_back({name, "is not the neighbouring part of this set"});
            return false;
        }
        return true;
    };
    std::string missingBefore, missingAfter;
    while ((parts_.front().header.flags & kFlagPrev) && parts_.size() < kMaxParts) {
        Part part;
        const CabHeader& from = parts_.front().header;
        if (from.index == 0 || !neighbour(from, from.prevName, -1, part)) {
            missingBefore = from.prevName;
            break;
        }
        parts_.insert(parts_.begin(), std::move(part));
    }
    while ((parts_.back().header.flags & kFlagNext) && parts_.size() < kMaxParts) {
        Part part;
        const CabHeader& from = parts_.back().header;
        if (!neighbour(from, from.nextName, 1, part)) {
            missingAfter = from.nextName;
            break;
        }
        parts_.push_back(std::move(part));
    }

    bool lastContinues = false;
    for (size_t p = 0; p < parts_.size(); ++p) {
        std::vector<CabFile> files;
        std::vector<CabFolder> folders;
        bool before = false, after = false;
        if (!ReadRecords(p, p == 0, files, folders, before, after)) {
            if (p == 0) return false;
            // A damaged later part ends the set there.
            missing_.push_back({parts_[p - 1].header.nextName, "is damaged"});
            if (lastContinues) folders_.back().missingAfter = parts_[p - 1].header.nextName;
            parts_.resize(p);
            return true;
        }
        // The first folder of a part goes on with the last of the part before
        // when a file crosses between them.
        const bool merge = p > 0 && (before || lastContinues);
        const size_t firstFolder = merge ? folders_.size() - 1 : folders_.size();
        for (size_t i = 0; i < folders.size(); ++i) {
            if (i == 0 && merge) {
                folders_.back().spans.push_back(folders[0].spans[0]);
                continue;
            }
            folders_.push_back(folders[i]);
        }
        if (p == 0 && before && !missingBefore.empty()) folders_[firstFolder].missingBefore = missingBefore;
        for (CabFile& f : files) {
            f.folder += firstFolder;
            files_.push_back(f);
        }
        lastContinues = after;
    }
    if (lastContinues && !missingAfter.empty()) folders_.back().missingAfter = missingAfter;
    return true;
}

namespace {

// A folder's data blocks in order, over the parts it spans.
class FolderStream {
public:
    FolderStream(const CabFolder& folder, const std::vector<RandomSource*>& sources,
                 const std::vector<uint8_t>& dataReserve)
        : folder_(folder), sources_(sources), reserve_(dataReserve) {
        Restart();
    }
    void Restart() {
        span_ = 0;
        block_ = 0;
        at_ = folder_.spans.empty() ? 0 : folder_.spans[0].dataAt;
        start_ = end_ = 0;
        decoder_ = DecoderFor(folder_.type);
        readers_.clear();
        for (RandomSource* s : sources_) readers_.push_back(std::make_unique<ReadAhead>(*s));
    }
    // The decoded bytes [start, end) of the folder are in data().
    uint64_t start() const { return start_; }
    uint64_t end() const { return end_; }
    const uint8_t* data() const { return out_; }

    CabStatus Next() {
        if (!decoder_) return (folder_.type & 0x0F) == kCabQuantum || (folder_.type & 0x0F) > kCabLzx
                                  ? CabStatus::Unsupported : CabStatus::Corrupt;
        packed_.clear();
        uint16_t outSize = 0;
        for (;;) {
            if (span_ >= folder_.spans.size())
                return folder_.missingAfter.empty() ? CabStatus::Truncated : CabStatus::MissingPart;
            const CabFolder::Span& s = folder_.spans[span_];
            if (block_ >= s.blocks) {
                readers_[s.part]->Release();
                ++span_;
                block_ = 0;
                if (span_ < folder_.spans.size()) at_ = folder_.spans[span_].dataAt;
                continue;
            }
            const size_t reserve = reserve_[s.part];
            ReadAhead& r = *readers_[s.part];
            const uint8_t* at = r.At(at_, 8 + reserve);
            if (!at) return CabStatus::Truncated;
            uint8_t head[8];  // kept: reading the data may move the buffer
            std::memcpy(head, at, sizeof head);
            const uint32_t sum = Le32(head);
            const uint16_t packed = Le16(head + 4);
            outSize = Le16(head + 6);
            const uint8_t* data = r.At(at_ + 8 + reserve, packed);
            if (!data) return CabStatus::Truncated;
            if (sum != 0) {
                const uint32_t check = CabChecksum(head + 4, 4, CabChecksum(data, packed, 0));
                if (check != sum) return CabStatus::Corrupt;
            }
            packed_.insert(packed_.end(), data, data + packed);
            at_ += 8 + reserve + packed;
            ++block_;
            // A block cut at the end of a part says 0 and goes on in the next.
            if (outSize == 0 && block_ == s.blocks) {
                if (span_ + 1 >= folder_.spans.size())
                    return folder_.missingAfter.empty() ? CabStatus::Truncated : CabStatus::MissingPart;
                continue;
            }
            break;
        }
        if (outSize == 0 || outSize > kBlockOut) return CabStatus::Corrupt;
        const CabStatus st = decoder_->Decode(packed_.data(), packed_.size(), out_, outSize);
        if (st != CabStatus::Ok) return st;
        start_ = end_;
        end_ += outSize;
        return CabStatus::Ok;
    }

private:
    const CabFolder& folder_;
    const std::vector<RandomSource*>& sources_;
    const std::vector<uint8_t>& reserve_;
    std::vector<std::unique_ptr<ReadAhead>> readers_;
    std::unique_ptr<BlockDecoder> decoder_;
    size_t span_ = 0;
    uint32_t block_ = 0;
    uint64_t at_ = 0, start_ = 0, end_ = 0;
    std::vector<uint8_t> packed_;
    uint8_t out_[kBlockOut];
};

}  // namespace

void CabSet::ExtractFolder(size_t folderIndex, const std::vector<size_t>& wanted, CabFileTarget& target) {
    std::vector<size_t> order = wanted;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return files_[a].offset < files_[b].offset; });
    const CabFolder& folder = folders_[folderIndex];
    size_t next = 0;
    auto failRest = [&](CabStatus st) {
        for (; next < order.size(); ++next) target.End(order[next], st);
    };
    if (!folder.missingBefore.empty()) return failRest(CabStatus::MissingPart);
    std::vector<RandomSource*> sources;
    std::vector<uint8_t> reserve;
    for (const Part& p : parts_) {
        sources.push_back(p.source.get());
        reserve.push_back(p.header.dataReserve);
    }
    auto stream = std::make_unique<FolderStream>(folder, sources, reserve);
    for (; next < order.size(); ++next) {
        const CabFile& f = files_[order[next]];
        // Files that share bytes with the one before: read the folder again.
        if (f.offset < stream->start()) stream->Restart();
        const bool begun = target.Begin(order[next]);
        uint64_t at = f.offset;
        const uint64_t end = uint64_t{f.offset} + f.size;
        while (at < end) {
            if (at >= stream->end()) {
                const CabStatus st = stream->Next();
                if (st != CabStatus::Ok) return failRest(st);
                continue;
            }
            const uint64_t n = std::min(end, stream->end()) - at;
            if (begun && !target.Write(stream->data() + (at - stream->start()), static_cast<size_t>(n)))
                return failRest(CabStatus::Stopped);
            at += n;
        }
        target.End(order[next], CabStatus::Ok);
    }
}

}  // namespace qaz::codecs
