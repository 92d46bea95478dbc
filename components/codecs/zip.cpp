#include "components/codecs/zip.h"

#include <zlib.h>

#include <algorithm>
#include <utility>
#include <cstring>
#include <memory>
#include "components/codecs/bytes.h"

namespace qaz::codecs {
namespace {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kEnd64Sig = 0x06064b50;
constexpr uint32_t kLocator64Sig = 0x07064b50;
constexpr size_t kCentralFixed = 46;
constexpr size_t kLocalFixed = 30;


// The ZIP64 extra field (0x0001) holds, in this order, only the values whose
// 32-bit fields are all ones. Tools pad extra fields (alignment bytes, bytes
// too short to be a block): when the walk over the blocks does not reach
// it, the field is looked for past what cannot be a block.
bool ApplyZip64(const uint8_t* extra, size_t len, uint64_t& size, uint64_t& packed, uint64_t& offset, bool wantSize,
                bool wantPacked, bool wantOffset) {
    const size_t need = 8u * ((wantSize ? 1 : 0) + (wantPacked ? 1 : 0) + (wantOffset ? 1 : 0));
    if (need == 0) return true;
    auto takeAt = [&](size_t at) {
        const uint8_t* d = extra + at + 4;
        for (auto [want, value] : {std::pair<bool, uint64_t*>{wantSize, &size}, {wantPacked, &packed}, {wantOffset, &offset}}) {
            if (!want) continue;
            *value = Le64(d);
            d += 8;
        }
        return true;
    };
    auto fits = [&](size_t at) {
        return len - at >= 4 && Le16(extra + at) == 0x0001 && Le16(extra + at + 2) >= need &&
               Le16(extra + at + 2) <= len - at - 4;
    };
    size_t pos = 0;
    while (len - pos >= 4) {
        const uint16_t n = Le16(extra + pos + 2);
        if (n > len - pos - 4) break;
        if (fits(pos)) return takeAt(pos);
        pos += 4 + n;
    }
    for (size_t at = 0; len - at >= 4 + need; ++at)
        if (fits(at)) return takeAt(at);
    return false;
}

// Info-ZIP Unicode path (0x7075): version 1, CRC-32 of the plain name, UTF-8 name.
bool UnicodePath(const uint8_t* extra, size_t len, const std::string& plain, std::string& name) {
    size_t pos = 0;
    while (len - pos >= 4) {
        const uint16_t id = Le16(extra + pos);
        const uint16_t n = Le16(extra + pos + 2);
        if (n > len - pos - 4) return false;
        const uint8_t* d = extra + pos + 4;
        if (id == 0x7075 && n >= 5 && d[0] == 1) {
            const uint32_t crc =
                static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(plain.data()), static_cast<uInt>(plain.size())));
            if (crc != Le32(d + 1)) return false;  // the name was changed by a tool that did not know the field
            name.assign(reinterpret_cast<const char*>(d + 5), n - 5);
            return true;
        }
        pos += 4 + n;
    }
    return false;
}

}  // namespace

bool LooksLikeZip(const uint8_t* head, size_t size) {
    if (size < 4) return false;
    const uint32_t sig = Le32(head);
    return sig == kLocalSig || sig == kEndSig || sig == 0x08074b50 /* spanned marker */;
}

const char* ZipMethodName(uint16_t method) {
    switch (method) {
        case 0: return "Stored";
        case 1: return "Shrunk";
        case 6: return "Imploded";
        case 8: return "Deflated";
        case 9: return "Deflat64";
        case 12: return "BZip2";
        case 14: return "LZMA";
        case 93: return "Zstd";
        case 99: return "AES";
        default: return "Unknown";
    }
}

ArcError ReadZipDirectory(RandomSource& in, std::vector<ZipEntry>& entries) {
    entries.clear();
    const uint64_t fileSize = in.Size();
    if (fileSize < 22) return ArcError::Corrupt;
    // The end record lies in the last 22 + 65535 bytes (its comment).
    const size_t tail = static_cast<size_t>(fileSize < 22 + 65535 ? fileSize : 22 + 65535);
    std::vector<uint8_t> buf(tail);
    if (!in.ReadAt(fileSize - tail, buf.data(), tail)) return ArcError::Io;
    size_t end = SIZE_MAX;
    for (size_t i = tail - 22 + 1; i-- > 0;) {
        if (Le32(&buf[i]) == kEndSig && i + 22 + Le16(&buf[i + 20]) <= tail) {
            end = i;
            break;
        }
    }
    if (end == SIZE_MAX) return ArcError::Corrupt;
    const uint64_t endOffset = fileSize - tail + end;
    const uint8_t* e = &buf[end];
    uint64_t count = Le16(e + 10);
    uint64_t dirSize = Le32(e + 12);
    uint64_t dirOffset = Le32(e + 16);
    // Where the central directory really ends: at the end record, or at
    // the ZIP64 end record before it.
    uint64_t dirEnd = endOffset;
    if (count == 0xFFFF || dirSize == 0xFFFFFFFF || dirOffset == 0xFFFFFFFF) {
        // ZIP64: the locator just before the end record names the ZIP64 end
        // record; with data before the archive it stands before the locator.
        if (endOffset < 20) return ArcError::Corrupt;
        uint8_t loc[20];
        if (!in.ReadAt(endOffset - 20, loc, 20) || Le32(loc) != kLocator64Sig) return ArcError::Corrupt;
        uint64_t end64 = Le64(loc + 8);
        uint8_t r[56];
        if (end64 > fileSize || !in.ReadAt(end64, r, 56) || Le32(r) != kEnd64Sig) {
            if (endOffset < 20 + 56) return ArcError::Corrupt;
            end64 = endOffset - 20 - 56;
            if (!in.ReadAt(end64, r, 56) || Le32(r) != kEnd64Sig) return ArcError::Corrupt;
        }
        count = Le64(r + 32);
        dirSize = Le64(r + 40);
        dirOffset = Le64(r + 48);
        dirEnd = end64;
    }
    // Data before the archive (a self-extracting program, or an archive
    // appended to other data): every offset is off by its length, as the
    // directory's real place shows.
    if (dirOffset > dirEnd || dirSize > dirEnd - dirOffset) return ArcError::Corrupt;
    const uint64_t prefix = dirEnd - dirSize - dirOffset;
    dirOffset += prefix;
    if (dirOffset > fileSize || dirSize > fileSize - dirOffset) return ArcError::Corrupt;
    if (count > dirSize / kCentralFixed) return ArcError::Corrupt;
    if (dirSize > (uint64_t{1} << 30)) return ArcError::TooLarge;
    std::vector<uint8_t> dir(static_cast<size_t>(dirSize));
    if (!in.ReadAt(dirOffset, dir.data(), dir.size())) return ArcError::Io;
    entries.reserve(static_cast<size_t>(count));
    size_t pos = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (dir.size() - pos < kCentralFixed || Le32(&dir[pos]) != kCentralSig) return ArcError::Corrupt;
        const uint8_t* c = &dir[pos];
        const size_t nameLen = Le16(c + 28), extraLen = Le16(c + 30), commentLen = Le16(c + 32);
        if (dir.size() - pos - kCentralFixed < nameLen + extraLen + commentLen) return ArcError::Corrupt;
        ZipEntry z;
        z.hostSystem = c[5];
        z.flags = Le16(c + 8);
        z.method = Le16(c + 10);
        z.dosTime = Le16(c + 12);
        z.dosDate = Le16(c + 14);
        z.crc = Le32(c + 16);
        z.packedSize = Le32(c + 20);
        z.size = Le32(c + 24);
        z.externalAttributes = Le32(c + 38);
        z.localOffset = Le32(c + 42);
        z.name.assign(reinterpret_cast<const char*>(c + kCentralFixed), nameLen);
        z.utf8 = (z.flags & 0x0800) != 0;
        const uint8_t* extra = c + kCentralFixed + nameLen;
        if (!ApplyZip64(extra, extraLen, z.size, z.packedSize, z.localOffset, z.size == 0xFFFFFFFF,
                        z.packedSize == 0xFFFFFFFF, z.localOffset == 0xFFFFFFFF))
            return ArcError::Corrupt;
        std::string unicode;
        if (!z.utf8 && UnicodePath(extra, extraLen, z.name, unicode)) {
            z.name = unicode;
            z.utf8 = true;
        }
        if (z.localOffset > UINT64_MAX - prefix) return ArcError::Corrupt;
        z.localOffset += prefix;
        entries.push_back(std::move(z));
        pos += kCentralFixed + nameLen + extraLen + commentLen;
    }
    return ArcError::None;
}

bool ZipEntry::isFolder() const {
    // "\\" is no separator here: it may be the trail byte of a Shift-JIS name.
    if (!name.empty() && name.back() == '/') return true;
    // MS-DOS, OS/2, NTFS and VFAT hosts mark a folder by its attribute
    // alone; some of their tools write no trailing slash.
    const bool dosHost = hostSystem == 0 || hostSystem == 6 || hostSystem == 11 || hostSystem == 14;
    return dosHost && (externalAttributes & 0x10) && size == 0 && !name.empty();
}

bool ZipEntriesOverlap(const std::vector<ZipEntry>& entries) {
    // Each entry takes at least its local header's fixed part and its data.
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    spans.reserve(entries.size());
    for (const ZipEntry& e : entries) {
        const uint64_t length = e.packedSize > UINT64_MAX - kLocalFixed - e.localOffset
                                    ? UINT64_MAX - e.localOffset
                                    : kLocalFixed + e.packedSize;
        spans.emplace_back(e.localOffset, e.localOffset + length);
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second) return true;
    return false;
}

ArcError ExtractZipEntry(RandomSource& in, const ZipEntry& entry, ByteSink& out) {
    if (entry.flags & 1) return ArcError::Unsupported;  // encrypted
    if (entry.method != 0 && entry.method != 8) return ArcError::Unsupported;
    uint8_t local[kLocalFixed];
    if (entry.localOffset > in.Size() || !in.ReadAt(entry.localOffset, local, kLocalFixed) || Le32(local) != kLocalSig)
        return ArcError::Corrupt;
    const uint64_t dataStart = entry.localOffset + kLocalFixed + Le16(local + 26) + Le16(local + 28);
    if (dataStart > in.Size() || entry.packedSize > in.Size() - dataStart) return ArcError::Truncated;

    constexpr size_t kChunk = 1 << 16;
    std::unique_ptr<uint8_t[]> inBuf(new uint8_t[kChunk]);
    std::unique_ptr<uint8_t[]> outBuf(new uint8_t[kChunk]);
    uLong crc = crc32(0, nullptr, 0);
    uint64_t produced = 0;
    uint64_t offset = dataStart;
    uint64_t left = entry.packedSize;
    auto emit = [&](const uint8_t* data, size_t n) {
        if (n > entry.size - produced) return ArcError::TooLarge;  // more than declared: a forged size
        crc = crc32(crc, data, static_cast<uInt>(n));
        produced += n;
        return out.Write(data, n) ? ArcError::None : ArcError::Io;
    };

    if (entry.method == 0) {
        if (entry.packedSize != entry.size) return ArcError::Corrupt;
        while (left > 0) {
            const size_t n = left < kChunk ? static_cast<size_t>(left) : kChunk;
            if (!in.ReadAt(offset, inBuf.get(), n)) return ArcError::Io;
            const ArcError err = emit(inBuf.get(), n);
            if (err != ArcError::None) return err;
            offset += n;
            left -= n;
        }
    } else {
        z_stream z{};
        if (inflateInit2(&z, -15) != Z_OK) return ArcError::Io;
        ArcError err = ArcError::None;
        bool ended = false;
        while (!ended && err == ArcError::None) {
            if (z.avail_in == 0 && left > 0) {
                const size_t n = left < kChunk ? static_cast<size_t>(left) : kChunk;
                if (!in.ReadAt(offset, inBuf.get(), n)) {
                    err = ArcError::Io;
                    break;
                }
                offset += n;
                left -= n;
                z.next_in = inBuf.get();
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = outBuf.get();
            z.avail_out = kChunk;
            // With all input taken, zlib may still hold output (a highly
            // packed stream): only a call that makes no progress means the
            // data ends early.
            const int r = inflate(&z, Z_NO_FLUSH);
            if (r == Z_STREAM_END) ended = true;
            else if (r == Z_DATA_ERROR || r == Z_NEED_DICT) err = ArcError::Corrupt;
            else if (r == Z_MEM_ERROR) err = ArcError::Io;
            else if (r == Z_BUF_ERROR && z.avail_in == 0 && left == 0) err = ArcError::Truncated;
            const size_t have = kChunk - z.avail_out;
            if (err == ArcError::None && have) err = emit(outBuf.get(), have);
        }
        inflateEnd(&z);
        if (err != ArcError::None) return err;
    }
    if (produced != entry.size) return ArcError::Truncated;
    if (static_cast<uint32_t>(crc) != entry.crc) return ArcError::Corrupt;
    return ArcError::None;
}

}  // namespace qaz::codecs
