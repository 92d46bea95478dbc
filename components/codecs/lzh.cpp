#include "components/codecs/lzh.h"

#include <cstring>

#include "components/codecs/bytes.h"
#include "components/codecs/crc.h"
#include "components/codecs/lh5_encoder.h"
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

// Extension headers: [type][data][size of the next]; false when one is malformed.
bool ReadExtensions(const uint8_t* data, size_t end, size_t pos, size_t firstSize, LzhEntry& e, std::string& dir,
                    std::string& name, bool& haveName, size_t* totalOut) {
    size_t next = firstSize;
    size_t total = 0;
    while (next != 0) {
        if (next < 3 || next > end - pos) return false;
        const uint8_t* h = data + pos;
        const size_t body = next - 3;
        switch (h[0]) {
        case 0x01:
            name = ToBackslashes(h + 1, body);
            haveName = true;
            break;
        case 0x02:
            dir = ToBackslashes(h + 1, body);
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
        case 0x54:
            if (body >= 4) {
                e.unixTime = Le32(h + 1);
                e.hasUnixTime = true;
            }
            break;
        default:
            break;
        }
        total += next;
        pos += next;
        next = Le16(h + next - 2);
    }
    if (totalOut) *totalOut = total;
    return true;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (name.empty() || EndsWithSeparator(dir)) return dir + name;
    return dir + "\\" + name;
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
    std::string dir, name;
    bool haveName = false;
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
        if (e.level == 1) {
            if (22 + nameLen + 5 > headerSize) return LzhHeaderStatus::Corrupt;
            size_t extTotal = 0;
            std::string extName;
            bool haveExtName = false;
            e.attribute = 0x20;
            if (!ReadExtensions(data, size, headerEnd, Le16(h + headerSize - 2), e, dir, extName, haveExtName,
                                &extTotal))
                return LzhHeaderStatus::Corrupt;
            if (haveExtName) name = extName;
            if (extTotal > packed) return LzhHeaderStatus::Corrupt;
            packed -= extTotal;
            headerEnd += extTotal;
        }
    } else if (e.level == 2) {
        const size_t headerSize = Le16(h);
        if (headerSize > left || headerSize < 26) return LzhHeaderStatus::Corrupt;
        e.unixTime = Le32(h + 15);
        e.hasUnixTime = true;
        e.crc = Le16(h + 21);
        headerEnd = offset + headerSize;
        // The extensions lie inside the header; a zero pad byte may follow them.
        if (!ReadExtensions(data, headerEnd, offset + 26, Le16(h + 24), e, dir, name, haveName, nullptr))
            return LzhHeaderStatus::Corrupt;
        // The header CRC, when present, covers the whole header with its own field zeroed.
        size_t pos = offset + 26;
        size_t next = Le16(h + 24);
        while (next != 0) {
            if (data[pos] == 0x00 && next >= 5) {
                std::vector<uint8_t> copy(h, h + headerSize);
                const uint16_t stored = Le16(data + pos + 1);
                copy[pos - offset + 1] = copy[pos - offset + 2] = 0;
                if (Crc16(0, copy.data(), copy.size()) != stored) return LzhHeaderStatus::Corrupt;
            }
            const size_t n = Le16(data + pos + next - 2);
            pos += next;
            next = n;
        }
    } else {
        return LzhHeaderStatus::Corrupt;
    }
    e.packedSize = packed;
    e.dataOffset = headerEnd;
    if (packed > size - headerEnd) return LzhHeaderStatus::Corrupt;
    e.nextOffset = headerEnd + static_cast<size_t>(packed);
    e.folder = std::memcmp(e.method, "-lhd-", 5) == 0;
    e.path = JoinPath(dir, name);
    if (e.folder && !e.path.empty() && !EndsWithSeparator(e.path)) e.path += '\\';
    return LzhHeaderStatus::Ok;
}

size_t FindLzhStart(const uint8_t* data, size_t size) {
    LzhEntry e;
    if (ReadLzhHeader(data, size, 0, e) == LzhHeaderStatus::Ok) return 0;
    if (size < 2 || data[0] != 'M' || data[1] != 'Z') return SIZE_MAX;
    const size_t limit = size < (1u << 20) ? size : (1u << 20);
    for (size_t i = 2; i + 22 <= limit; ++i) {
        if (data[i + 2] != '-' || data[i + 3] != 'l' || data[i + 6] != '-') continue;
        if (ReadLzhHeader(data, size, i, e) == LzhHeaderStatus::Ok) return i;
    }
    return SIZE_MAX;
}

bool IsSupportedLzhMethod(const char* m) {
    static const char* const kMethods[] = {"-lh0-", "-lh4-", "-lh5-", "-lh6-", "-lh7-", "-lhd-", "-lz4-"};
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

}  // namespace

UnpackStatus UnpackLzhEntry(const uint8_t* data, size_t size, const LzhEntry& e, ByteSink& sink) {
    if (e.dataOffset > size || e.packedSize > size - e.dataOffset) return UnpackStatus::Truncated;
    const uint8_t* in = data + e.dataOffset;
    const size_t inSize = static_cast<size_t>(e.packedSize);
    Crc16Sink crc(sink);
    UnpackStatus st;
    const char m = e.method[3];
    if (e.folder) return UnpackStatus::Ok;
    if (std::memcmp(e.method, "-lh0-", 5) == 0 || std::memcmp(e.method, "-lz4-", 5) == 0) {
        if (e.packedSize != e.originalSize) return UnpackStatus::Corrupt;
        st = crc.Write(in, inSize) ? UnpackStatus::Ok : UnpackStatus::Stopped;
    } else if (e.method[1] == 'l' && e.method[2] == 'h' && (m == '4' || m == '5')) {
        st = DecodeLzhuf(in, inSize, e.originalSize, kLh5Params, crc);
    } else if (e.method[1] == 'l' && e.method[2] == 'h' && m == '6') {
        st = DecodeLzhuf(in, inSize, e.originalSize, kLh6Params, crc);
    } else if (e.method[1] == 'l' && e.method[2] == 'h' && m == '7') {
        st = DecodeLzhuf(in, inSize, e.originalSize, kLh7Params, crc);
    } else {
        return UnpackStatus::Unsupported;
    }
    if (st == UnpackStatus::Ok && crc.crc != e.crc) return UnpackStatus::Corrupt;
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
