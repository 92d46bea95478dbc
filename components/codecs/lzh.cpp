#include "components/codecs/lzh.h"

#include <cstring>

#include "components/codecs/bytes.h"
#include "components/codecs/crc.h"
#include "components/codecs/lh5_encoder.h"
#include "components/codecs/lzh_early.h"
#include "components/codecs/lzhuf.h"

namespace qaz::codecs {
namespace {


// '/' and 0xFF (the separator of the extension headers) become '\'; both
// can never be the second byte of a Shift-JIS character.
std::string ToBackslashes(const uint8_t* p, size_t n) {
    std::string s(reinterpret_cast<const char*>(p), n);
    for (char& c : s)
        if (c == '/' || static_cast<uint8_t>(c) == 0xFF) c = '\\';
    return s;
}

bool EndsWithSeparator(const std::string& s) {
    bool last = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(s[i]);
        if (IsSjisLead(b) && i + 1 < s.size()) {
            ++i;
            last = false;
        } else {
            last = b == '\\';
        }
    }
    return last;
}

bool ValidMethod(const uint8_t* m) {
    return m[0] == '-' && m[4] == '-' && m[1] >= 0x20 && m[1] < 0x7F && m[2] >= 0x20 && m[2] < 0x7F &&
           m[3] >= 0x20 && m[3] < 0x7F;
}

// Extension headers: [type][data][size of the next], the sizes two bytes
// wide (four at level 3). Types we do not know are stepped over. False when
// one runs past end. crcAt: where the header CRC of a common extension lies.
struct Extensions {
    std::string dir, name;
    bool haveName = false;
    size_t total = 0;
    size_t crcAt = SIZE_MAX;
};

bool ReadExtensions(const uint8_t* data, size_t end, size_t pos, size_t firstSize, unsigned sizeBytes, LzhEntry& e,
                    Extensions& x) {
    size_t next = firstSize;
    for (int count = 0; next != 0; ++count) {
        if (count > 4096 || next < 1 + sizeBytes || pos > end || next > end - pos) return false;
        const uint8_t* h = data + pos;
        const size_t body = next - 1 - sizeBytes;
        switch (h[0]) {
        case 0x00:
            if (body >= 2) x.crcAt = pos + 1;
            break;
        case 0x01:
            x.name = ToBackslashes(h + 1, body);
            x.haveName = true;
            break;
        case 0x02:
            x.dir = ToBackslashes(h + 1, body);
            break;
        case 0x40:
            if (body >= 1) e.attribute = h[1];
            break;
        case 0x41:
            if (body >= 24 && !e.hasUnixTime) {
                uint64_t ft = uint64_t(Le32(h + 9)) | uint64_t(Le32(h + 13)) << 32;
                if (ft >= 116444736000000000ull) {
                    e.unixTime = int64_t((ft - 116444736000000000ull) / 10000000ull);
                    e.hasUnixTime = true;
                }
            }
            break;
        case 0x50:
            if (body >= 2) {
                e.unixMode = Le16(h + 1);
                e.hasUnixMode = true;
            }
            break;
        case 0x54:
            if (body >= 4) {
                e.unixTime = Le32(h + 1);
                e.hasUnixTime = true;
            }
            break;
        default:
            break;
        }
        x.total += next;
        pos += next;
        next = sizeBytes == 4 ? Le32(h + next - 4) : Le16(h + next - 2);
    }
    return true;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (name.empty() || EndsWithSeparator(dir)) return dir + name;
    return dir + "\\" + name;
}

// The CRC-16 of a whole header with its own field taken as zero.
bool HeaderCrcHolds(const uint8_t* h, size_t headerSize, size_t crcAt) {
    std::vector<uint8_t> copy(h, h + headerSize);
    const uint16_t stored = Le16(h + crcAt);
    copy[crcAt] = copy[crcAt + 1] = 0;
    return Crc16(0, copy.data(), copy.size()) == stored;
}

// The byte where a link's target starts ("name|target"), SIZE_MAX when the
// path holds none. Names from Unix are stepped byte by byte: '|' can be a
// Shift-JIS trail byte, never an EUC-JP or UTF-8 one.
size_t LinkBar(const std::string& path, bool unixNames) {
    for (size_t i = 0; i < path.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(path[i]);
        if (b == '|') return i;
        if (!unixNames && IsSjisLead(b) && i + 1 < path.size()) ++i;
    }
    return SIZE_MAX;
}

}  // namespace

LzhHeaderStatus ReadLzhHeader(const uint8_t* data, size_t size, size_t offset, LzhEntry& e) {
    e = LzhEntry{};
    if (offset >= size || data[offset] == 0) return LzhHeaderStatus::End;
    const size_t left = size - offset;
    if (left < 22) return LzhHeaderStatus::Corrupt;
    const uint8_t* h = data + offset;
    if (!ValidMethod(h + 2)) return LzhHeaderStatus::Corrupt;
    std::memcpy(e.method, h + 2, 5);
    e.level = h[20];
    e.headerOffset = offset;
    Extensions x;
    std::string name;
    size_t headerEnd = 0;
    uint64_t packed = Le32(h + 7);
    e.originalSize = Le32(h + 11);
    if (e.level == 0 || e.level == 1) {
        const size_t headerSize = size_t(h[0]) + 2;
        if (headerSize > left || headerSize < 24) return LzhHeaderStatus::Corrupt;
        uint8_t sum = 0;
        for (size_t i = 2; i < headerSize; ++i) sum = uint8_t(sum + h[i]);
        if (sum != h[1]) return LzhHeaderStatus::Corrupt;
        const size_t nameLen = h[21];
        if (22 + nameLen + 2 > headerSize) return LzhHeaderStatus::Corrupt;
        name = ToBackslashes(h + 22, nameLen);
        e.crc = Le16(h + 22 + nameLen);
        e.dosTime = Le32(h + 15);
        e.attribute = h[19];
        headerEnd = offset + headerSize;
        if (e.level == 0) {
            // An extended area after the CRC: the system's id, and from Unix
            // the time, the mode, the owner and the group.
            const size_t area = 22 + nameLen + 2, areaSize = headerSize - area;
            if (areaSize >= 1) e.os = static_cast<char>(h[area]);
            if (e.os == 'U' && areaSize >= 12 && h[area + 1] == 0) {
                e.unixTime = Le32(h + area + 2);
                e.hasUnixTime = true;
                e.unixMode = Le16(h + headerSize - 6);
                e.hasUnixMode = true;
            }
        } else {
            if (22 + nameLen + 5 > headerSize) return LzhHeaderStatus::Corrupt;
            e.os = static_cast<char>(h[24 + nameLen]);
            e.attribute = 0x20;
            if (!ReadExtensions(data, size, headerEnd, Le16(h + headerSize - 2), 2, e, x)) return LzhHeaderStatus::Corrupt;
            if (x.haveName) name = x.name;
            if (x.total > packed) return LzhHeaderStatus::Corrupt;
            packed -= x.total;
            headerEnd += x.total;
        }
    } else if (e.level == 2 || e.level == 3) {
        size_t headerSize = 0, first = 0, sizeBytes = 2;
        if (left < 26) return LzhHeaderStatus::Corrupt;
        if (e.level == 2) {
            headerSize = Le16(h);
            // OS-9/68k's LHA counts the header without its own size field.
            if (h[23] == 'K') headerSize += 2;
            if (headerSize > left || headerSize < 26) return LzhHeaderStatus::Corrupt;
            first = 24;
        } else {
            if (Le16(h) != 4 || left < 32) return LzhHeaderStatus::Corrupt;
            const uint32_t n = Le32(h + 24);
            if (n > left || n < 32 || n > (1u << 20)) return LzhHeaderStatus::Corrupt;
            headerSize = n;
            first = 28;
            sizeBytes = 4;
        }
        e.unixTime = Le32(h + 15);
        e.hasUnixTime = true;
        e.crc = Le16(h + 21);
        e.os = static_cast<char>(h[23]);
        headerEnd = offset + headerSize;
        // The extensions lie inside the header; padding may follow them.
        const size_t firstSize = sizeBytes == 4 ? Le32(h + first) : Le16(h + first);
        if (!ReadExtensions(data, headerEnd, offset + first + sizeBytes, firstSize, unsigned(sizeBytes), e, x))
            return LzhHeaderStatus::Corrupt;
        if (x.crcAt != SIZE_MAX && !HeaderCrcHolds(h, headerSize, x.crcAt - offset)) return LzhHeaderStatus::Corrupt;
        name = x.name;
    } else {
        return LzhHeaderStatus::Corrupt;
    }
    e.packedSize = packed;
    e.dataOffset = headerEnd;
    if (packed > size - headerEnd) return LzhHeaderStatus::Corrupt;
    e.nextOffset = headerEnd + static_cast<size_t>(packed);
    e.folder = std::memcmp(e.method, "-lhd-", 5) == 0;
    e.path = JoinPath(x.dir, name);
    if (e.folder) {
        // LHa for Unix keeps a symbolic link as a folder entry "name|target".
        const size_t bar = LinkBar(e.path, e.os == 'U');
        if (bar != SIZE_MAX) {
            e.linkTarget = e.path.substr(bar + 1);
            e.path.erase(bar);
            e.folder = false;
            e.link = true;
            while (EndsWithSeparator(e.path)) e.path.pop_back();
            return LzhHeaderStatus::Ok;
        }
    }
    // A folder kept as an empty stored file whose name ends in a separator.
    if (!e.folder && e.originalSize == 0 && (std::memcmp(e.method, "-lh0-", 5) == 0) &&
        (e.path.empty() || EndsWithSeparator(e.path)))
        e.folder = true;
    if (e.folder && !e.path.empty() && !EndsWithSeparator(e.path)) e.path += '\\';
    return LzhHeaderStatus::Ok;
}

namespace {

// Whether a header could start at i: a method such as "-lh5-" or "-pm2-".
bool LooksLikeHeader(const uint8_t* data, size_t size, size_t i) {
    return i + 22 <= size && data[i + 2] == '-' && data[i + 6] == '-' && (data[i + 3] == 'l' || data[i + 3] == 'p');
}

}  // namespace

size_t FindLzhStart(const uint8_t* data, size_t size) {
    LzhEntry e;
    if (ReadLzhHeader(data, size, 0, e) == LzhHeaderStatus::Ok) return 0;
    // A program: an "MZ" executable, or an MS-DOS .COM program (a jump first),
    // whose archive follows within its 64 KB.
    const bool exe = size >= 2 && data[0] == 'M' && data[1] == 'Z';
    const bool com = size >= 3 && (data[0] == 0xE9 || data[0] == 0xEB);
    if (!exe && !com) return SIZE_MAX;
    const size_t reach = exe ? (1u << 20) : (1u << 16);
    const size_t limit = size < reach ? size : reach;
    for (size_t i = 2; i + 22 <= limit; ++i)
        if (LooksLikeHeader(data, size, i) && ReadLzhHeader(data, size, i, e) == LzhHeaderStatus::Ok) return i;
    return SIZE_MAX;
}

size_t FindNextLzhHeader(const uint8_t* data, size_t size, size_t from) {
    LzhEntry e;
    for (size_t i = from; i + 22 <= size; ++i)
        if (LooksLikeHeader(data, size, i) && ReadLzhHeader(data, size, i, e) == LzhHeaderStatus::Ok) return i;
    return SIZE_MAX;
}

bool EucJpToShiftJis(const std::string& in, std::string& out) {
    // Valid UTF-8 stays as it is.
    bool high = false, utf8 = true;
    for (size_t i = 0; i < in.size();) {
        const uint8_t b = static_cast<uint8_t>(in[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        high = true;
        const size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
        if (n == 0 || i + n > in.size()) {
            utf8 = false;
            break;
        }
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<uint8_t>(in[i + k]) & 0xC0) != 0x80) utf8 = false;
        if (!utf8) break;
        i += n;
    }
    if (!high || utf8) return false;
    std::string s;
    for (size_t i = 0; i < in.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(in[i]);
        if (b < 0x80) {
            s += char(b);
            continue;
        }
        if (i + 1 >= in.size()) return false;
        const uint8_t c = static_cast<uint8_t>(in[++i]);
        if (b == 0x8E) {  // half-width katakana
            if (c < 0xA1 || c > 0xDF) return false;
            s += char(c);
            continue;
        }
        if (b < 0xA1 || b > 0xFE || c < 0xA1 || c > 0xFE) return false;  // includes the three-byte JIS X 0212 form
        // JIS row and cell to Shift-JIS.
        const unsigned row = b - 0x80u, cell = c - 0x80u;
        const unsigned lead = ((row + 1) >> 1) + (row <= 0x5E ? 0x70 : 0xB0);
        const unsigned trail = (row & 1) ? cell + (cell >= 0x60 ? 0x20 : 0x1F) : cell + 0x7E;
        s += char(lead);
        s += char(trail);
    }
    out = s;
    return true;
}

bool IsSupportedLzhMethod(const char* m) {
    static const char* const kMethods[] = {"-lh0-", "-lh1-", "-lh4-", "-lh5-", "-lh6-", "-lh7-", "-lhx-", "-lhd-",
                                           "-lz4-", "-lzs-", "-lz5-", "-pm0-", "-pm2-"};
    for (const char* k : kMethods)
        if (std::memcmp(m, k, 5) == 0) return true;
    return false;
}

namespace {

class Crc16Sink : public ByteSink {
public:
    explicit Crc16Sink(ByteSink& next) : next_(next) {}
    bool Write(const uint8_t* data, size_t size) override {
        crc = Crc16(crc, data, size);
        return next_.Write(data, size);
    }
    uint16_t crc = 0;

private:
    ByteSink& next_;
};

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

bool AllZero(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

// MacLHA puts a MacBinary header before a file's forks. It is taken for one
// only when it fits the entry: its name is the entry's, the fields that must
// be zero are, the forks fill the entry to the next 128 bytes, and its time
// is the entry's.
bool IsMacBinaryOf(const uint8_t* m, const LzhEntry& e) {
    if (m[0] != 0 || m[0x4A] != 0 || m[0x52] != 0 || !AllZero(m + 0x63, 0x80 - 0x63)) return false;
    const size_t nameLen = m[1];
    size_t cut = 0;
    for (size_t i = 0; i < e.path.size(); ++i) {
        if (IsSjisLead(uint8_t(e.path[i])) && i + 1 < e.path.size()) ++i;
        else if (e.path[i] == '\\') cut = i + 1;
    }
    const std::string name = e.path.substr(cut);
    if (nameLen == 0 || nameLen > 63 || name.size() != nameLen || std::memcmp(m + 2, name.data(), nameLen) != 0 ||
        !AllZero(m + 2 + nameLen, 63 - nameLen))
        return false;
    const uint64_t forks = uint64_t(Be32(m + 0x53)) + Be32(m + 0x57) + 128;
    if (((forks + 127) & ~uint64_t(127)) != e.originalSize) return false;
    // Its time (local, from 1904) lies within a time zone of the entry's.
    const int64_t modified = int64_t(Be32(m + 0x5F)) - 2082844800;
    if (modified < 0) return false;
    return !e.hasUnixTime || (modified - e.unixTime <= 14 * 3600 && e.unixTime - modified <= 14 * 3600);
}

// Passes on the data fork alone (the resource fork when there is no data
// fork) when the entry starts with its MacBinary header; everything otherwise.
class MacBinarySink : public ByteSink {
public:
    MacBinarySink(ByteSink& next, const LzhEntry& e) : next_(next), entry_(e) {}
    bool Write(const uint8_t* data, size_t size) override {
        while (held_ < 128 && size > 0) {
            header_[held_++] = *data++;
            --size;
            if (held_ == 128 && !Decide()) return false;
        }
        if (held_ < 128) return true;
        if (size > left_) size = static_cast<size_t>(left_);
        left_ -= size;
        return size == 0 || next_.Write(data, size);
    }
    // A file shorter than a header goes out as it is.
    bool Finish() { return held_ >= 128 || held_ == 0 || next_.Write(header_, held_); }

private:
    bool Decide() {
        if (!IsMacBinaryOf(header_, entry_)) return next_.Write(header_, 128);
        const uint32_t dataFork = Be32(header_ + 0x53);
        left_ = dataFork ? dataFork : Be32(header_ + 0x57);
        return true;
    }
    ByteSink& next_;
    const LzhEntry& entry_;
    uint8_t header_[128] = {};
    size_t held_ = 0;
    uint64_t left_ = UINT64_MAX;
};

bool Is(const LzhEntry& e, const char* method) { return std::memcmp(e.method, method, 5) == 0; }

}  // namespace

UnpackStatus UnpackLzhEntry(const uint8_t* data, size_t size, const LzhEntry& e, ByteSink& sink) {
    if (e.dataOffset > size || e.packedSize > size - e.dataOffset) return UnpackStatus::Truncated;
    if (e.folder || e.link) return UnpackStatus::Ok;
    const uint8_t* in = data + e.dataOffset;
    const size_t inSize = static_cast<size_t>(e.packedSize);
    MacBinarySink mac(sink, e);
    Crc16Sink crc(e.os == 'm' ? static_cast<ByteSink&>(mac) : sink);
    UnpackStatus st;
    if (Is(e, "-lh0-") || Is(e, "-lz4-") || Is(e, "-pm0-")) {
        if (e.packedSize != e.originalSize) return UnpackStatus::Corrupt;
        st = crc.Write(in, inSize) ? UnpackStatus::Ok : UnpackStatus::Stopped;
    } else if (Is(e, "-lh4-") || Is(e, "-lh5-")) {
        st = DecodeLzhuf(in, inSize, e.originalSize, kLh5Params, crc);
    } else if (Is(e, "-lh6-")) {
        st = DecodeLzhuf(in, inSize, e.originalSize, kLh6Params, crc);
    } else if (Is(e, "-lh7-")) {
        // LHARK (system ' ', level 1) wrote a -lh7- of its own.
        if (e.level == 1 && e.os == ' ') return UnpackStatus::Unsupported;
        st = DecodeLzhuf(in, inSize, e.originalSize, kLh7Params, crc);
    } else if (Is(e, "-lhx-")) {
        st = DecodeLzhuf(in, inSize, e.originalSize, kLhxParams, crc);
    } else if (Is(e, "-lh1-")) {
        st = DecodeLh1(in, inSize, e.originalSize, crc);
    } else if (Is(e, "-lzs-")) {
        st = DecodeLzs(in, inSize, e.originalSize, crc);
    } else if (Is(e, "-lz5-")) {
        st = DecodeLz5(in, inSize, e.originalSize, crc);
    } else if (Is(e, "-pm2-")) {
        st = DecodePm2(in, inSize, e.originalSize, crc);
    } else {
        return UnpackStatus::Unsupported;
    }
    if (st == UnpackStatus::Ok && crc.crc != e.crc) return UnpackStatus::Corrupt;
    if (st == UnpackStatus::Ok && e.os == 'm' && !mac.Finish()) return UnpackStatus::Stopped;
    return st;
}

namespace {

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    Put16(v, at, x & 0xFFFF);
    Put16(v, at + 2, x >> 16);
}

void AppendExtension(std::vector<uint8_t>& h, uint8_t type, const uint8_t* body, size_t n) {
    // The size of this extension goes into the "next size" field that ends the previous part.
    Put16(h, h.size() - 2, uint32_t(n + 3));
    h.push_back(type);
    h.insert(h.end(), body, body + n);
    h.push_back(0);
    h.push_back(0);
}

}  // namespace

void AppendLzhEntry(std::vector<uint8_t>& out, const LzhPackItem& item) {
    // Split the path at its last separator, stepping over double-byte characters.
    std::string path = item.path;
    while (EndsWithSeparator(path)) path.pop_back();
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(path[i]);
        if (IsSjisLead(b) && i + 1 < path.size()) ++i;
        else if (b == '\\' || b == '/') cut = i;
    }
    std::string dir, name;
    if (item.folder) {
        dir = path + "\\";
    } else {
        if (cut != std::string::npos) dir = path.substr(0, cut + 1);
        name = path.substr(cut == std::string::npos ? 0 : cut + 1);
    }
    for (char& c : dir)
        if (c == '\\' || c == '/') c = char(0xFF);
    // The 0xFF bytes stand only where separators were: the scan above found them.
    std::vector<uint8_t> packed;
    const char* method = "-lhd-";
    uint16_t crc = 0;
    if (!item.folder) {
        crc = Crc16(0, item.data, item.size);
        method = "-lh5-";
        if (item.size == 0 || !EncodeLh5(item.data, item.size, packed) || packed.size() >= item.size) {
            method = "-lh0-";
            packed.assign(item.data, item.data + item.size);
        }
    }
    std::vector<uint8_t> h(26, 0);
    std::memcpy(h.data() + 2, method, 5);
    Put32(h, 7, uint32_t(packed.size()));
    Put32(h, 11, item.folder ? 0 : uint32_t(item.size));
    Put32(h, 15, uint32_t(item.unixTime));
    h[19] = 0x20;
    h[20] = 2;
    Put16(h, 21, crc);
    h[23] = 'M';
    const uint8_t zeroCrc[2] = {0, 0};
    AppendExtension(h, 0x00, zeroCrc, 2);
    const size_t crcAt = 27;
    if (!name.empty()) AppendExtension(h, 0x01, reinterpret_cast<const uint8_t*>(name.data()), name.size());
    if (!dir.empty()) AppendExtension(h, 0x02, reinterpret_cast<const uint8_t*>(dir.data()), dir.size());
    const uint8_t attr[2] = {uint8_t(item.folder ? 0x10 : item.attribute), 0};
    AppendExtension(h, 0x40, attr, 2);
    // A header whose size ends in a zero byte would read as the end of the archive.
    if ((h.size() & 0xFF) == 0) h.push_back(0);
    Put16(h, 0, uint32_t(h.size()));
    Put16(h, crcAt, Crc16(0, h.data(), h.size()));
    out.insert(out.end(), h.begin(), h.end());
    out.insert(out.end(), packed.begin(), packed.end());
}

}  // namespace qaz::codecs
