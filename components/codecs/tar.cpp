#include "components/codecs/tar.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <cstdlib>
#include <vector>
#include <cstring>

namespace qaz::codecs {
namespace {

constexpr size_t kBlock = 512;
constexpr uint64_t kMaxExtraHeader = 1 << 20;  // long names and pax records

// A numeric field: octal digits (leading blanks, ended by a blank or zero),
// or GNU base-256 when the first byte has its top bit set.
bool ParseNumber(const uint8_t* field, size_t width, uint64_t& value) {
    value = 0;
    if (field[0] & 0x80) {
        if (field[0] & 0x40) return false;  // negative
        value = field[0] & 0x3F;
        for (size_t i = 1; i < width; ++i) {
            if (value >> 56) return false;
            value = (value << 8) | field[i];
        }
        return true;
    }
    size_t i = 0;
    while (i < width && field[i] == ' ') ++i;
    bool digits = false;
    for (; i < width && field[i] >= '0' && field[i] <= '7'; ++i) {
        if (value >> 60) return false;
        value = (value << 3) | static_cast<uint64_t>(field[i] - '0');
        digits = true;
    }
    if (i < width && field[i] != 0 && field[i] != ' ') return false;
    return digits || i == width || field[i] == 0 || field[i] == ' ';
}

std::string Field(const uint8_t* field, size_t width) {
    size_t n = 0;
    while (n < width && field[n]) ++n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

bool ChecksumHolds(const uint8_t* b) {
    uint64_t stored;
    if (!ParseNumber(b + 148, 8, stored)) return false;
    uint32_t unsignedSum = 0;
    int32_t signedSum = 0;
    for (size_t i = 0; i < kBlock; ++i) {
        const uint8_t c = (i >= 148 && i < 156) ? ' ' : b[i];
        unsignedSum += c;
        signedSum += static_cast<int8_t>(c);
    }
    return stored == unsignedSum || static_cast<int64_t>(stored) == signedSum;
}

bool IsZeroBlock(const uint8_t* b) {
    for (size_t i = 0; i < kBlock; ++i)
        if (b[i]) return false;
    return true;
}

// What the extended headers before an entry said.
struct Extended {
    bool haveName = false, haveLink = false, haveSize = false, bad = false;
    // Sparse files: "GNU.sparse.*" records (formats 0.0, 0.1 and 1.0).
    bool sparse = false, sparse10 = false;
    uint64_t realSize = 0;
    std::string sparseName;
    std::vector<SparsePart> map;
    bool pendingOffset = false;  // 0.0: an offset waiting for its size
};

constexpr size_t kMaxSparseParts = 1u << 20;

bool Decimal(const std::string& text, uint64_t& v) {
    v = 0;
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9' || (v >> 59)) return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

// "GNU.sparse.map": offset,size,offset,size,...
bool ParseMapList(const std::string& text, std::vector<SparsePart>& map) {
    size_t pos = 0;
    std::vector<uint64_t> numbers;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string::npos) comma = text.size();
        uint64_t v;
        if (!Decimal(text.substr(pos, comma - pos), v) || numbers.size() >= 2 * kMaxSparseParts) return false;
        numbers.push_back(v);
        pos = comma + 1;
    }
    if (numbers.size() % 2) return false;
    for (size_t i = 0; i < numbers.size(); i += 2) map.push_back({numbers[i], numbers[i + 1]});
    return true;
}

void ApplySparseRecord(const std::string& key, const std::string& value, Extended& x) {
    uint64_t v = 0;
    const bool number = Decimal(value, v);
    if (key == "GNU.sparse.name") {
        x.sparseName = value;
    } else if (key == "GNU.sparse.size" || key == "GNU.sparse.realsize") {
        x.sparse = true;
        x.realSize = v;
        x.bad |= !number;
    } else if (key == "GNU.sparse.major") {
        x.sparse = true;
        x.sparse10 = number && v == 1;
        x.bad |= !number || v != 1;
    } else if (key == "GNU.sparse.map") {
        x.sparse = true;
        x.map.clear();
        x.bad |= !ParseMapList(value, x.map);
    } else if (key == "GNU.sparse.offset") {
        x.bad |= !number || x.pendingOffset || x.map.size() >= kMaxSparseParts;
        if (!x.bad) x.map.push_back({v, 0});
        x.pendingOffset = true;
    } else if (key == "GNU.sparse.numbytes") {
        x.bad |= !number || !x.pendingOffset;
        if (!x.bad) x.map.back().size = v;
        x.pendingOffset = false;
    }
    // numblocks and minor only repeat what the map says.
}

// pax records: "<length> <key>=<value>\n".
void ApplyPax(const std::string& text, TarEntry& e, Extended& x) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t len = 0, i = pos;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && len < (1u << 24)) len = len * 10 + (text[i++] - '0');
        if (i >= text.size() || text[i] != ' ' || len == 0 || len > text.size() - pos) {
            x.bad = true;
            return;
        }
        const std::string record = text.substr(i + 1, pos + len - i - 1);
        pos += len;
        if (record.empty() || record.back() != '\n') {
            x.bad = true;
            return;
        }
        const size_t eq = record.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = record.substr(0, eq);
        const std::string value = record.substr(eq + 1, record.size() - eq - 2);
        if (key == "path") {
            e.name = value;
            x.haveName = true;
        } else if (key == "linkpath") {
            e.linkTarget = value;
            x.haveLink = true;
        } else if (key == "size") {
            uint64_t v = 0;
            if (!Decimal(value, v)) {
                x.bad = true;
                return;
            }
            e.size = v;
            x.haveSize = true;
        } else if (key == "mtime") {
            e.mtime = std::strtoll(value.c_str(), nullptr, 10);
        } else if (key.compare(0, 11, "GNU.sparse.") == 0) {
            ApplySparseRecord(key, value, x);
            if (x.bad) return;
        }
    }
}

// The real name of a pax sparse file stored without GNU.sparse.name:
// GNU tar puts it below a folder "GNUSparseFile.<number>".
std::string WithoutSparseFolder(const std::string& name) {
    const size_t slash = name.rfind('/');
    if (slash == std::string::npos) return name;
    const size_t start = name.rfind('/', slash - (slash ? 1 : 0));
    const size_t from = (start == std::string::npos || slash == 0) ? 0 : start + 1;
    const std::string folder = name.substr(from, slash - from);
    const std::string tag = "GNUSparseFile.";
    if (folder.compare(0, tag.size(), tag) != 0 || folder.size() == tag.size()) return name;
    for (size_t i = tag.size(); i < folder.size(); ++i)
        if (folder[i] < '0' || folder[i] > '9') return name;
    return name.substr(0, from) + name.substr(slash + 1);
}

}  // namespace

bool LooksLikeTar(const uint8_t* block, size_t size) {
    return size >= kBlock && !IsZeroBlock(block) && ChecksumHolds(block);
}

bool TarReader::ReadBlock(uint8_t* block) {
    if (ReadFull(in_, block, kBlock)) return true;
    error_ = in_.error() != ArcError::None ? in_.error() : ArcError::Truncated;
    return false;
}

bool TarReader::SkipRest() {
    uint8_t buf[8192];
    uint64_t left = dataLeft_ + padding_;
    dataLeft_ = padding_ = 0;
    while (left > 0) {
        const size_t n = left < sizeof buf ? static_cast<size_t>(left) : sizeof buf;
        if (!ReadFull(in_, buf, n)) {
            error_ = in_.error() != ArcError::None ? in_.error() : ArcError::Truncated;
            return false;
        }
        left -= n;
    }
    return true;
}

bool TarReader::ReadExtra(uint64_t size, std::string& text) {
    if (size > kMaxExtraHeader) {
        error_ = ArcError::Unsupported;
        return false;
    }
    const uint64_t padded = (size + kBlock - 1) / kBlock * kBlock;
    std::string buf(static_cast<size_t>(padded), '\0');
    if (!ReadFull(in_, reinterpret_cast<uint8_t*>(&buf[0]), buf.size())) {
        error_ = in_.error() != ArcError::None ? in_.error() : ArcError::Truncated;
        return false;
    }
    buf.resize(static_cast<size_t>(size));
    text = std::move(buf);
    return true;
}

bool TarReader::Next(TarEntry& e) {
    if (ended_ || error_ != ArcError::None) return false;
    if (!SkipRest()) return false;
    e = TarEntry();
    map_.clear();
    sparse_ = false;
    Extended x;
    bool& haveName = x.haveName;
    bool& haveLink = x.haveLink;
    bool& haveSize = x.haveSize;
    uint8_t b[kBlock];
    for (;;) {
        const size_t got = in_.Read(b, kBlock);
        if (got == 0 && in_.error() == ArcError::None) {  // the end without zero blocks
            ended_ = true;
            return false;
        }
        if (got != kBlock && !ReadFull(in_, b + got, kBlock - got)) {
            error_ = in_.error() != ArcError::None ? in_.error() : ArcError::Truncated;
            return false;
        }
        if (IsZeroBlock(b)) {
            ended_ = true;
            return false;
        }
        if (!ChecksumHolds(b)) {
            error_ = ArcError::Corrupt;
            return false;
        }
        uint64_t size;
        if (!ParseNumber(b + 124, 12, size)) {
            error_ = ArcError::Corrupt;
            return false;
        }
        const char type = static_cast<char>(b[156]);
        if (type == 'L' || type == 'K' || type == 'x' || type == 'g') {
            std::string text;
            if (!ReadExtra(size, text)) return false;
            if (type == 'L') {
                text.resize(std::min(text.size(), text.find('\0')));
                e.name = std::move(text);
                haveName = true;
            } else if (type == 'K') {
                e.linkTarget = Field(reinterpret_cast<const uint8_t*>(text.data()), text.size());
                haveLink = true;
            } else if (type == 'x') {
                const bool hadName = haveName;
                ApplyPax(text, e, x);
                if (haveName && !hadName) e.utf8Name = true;
                if (x.bad) return Fail(ArcError::Corrupt);
            }
            continue;  // the entry these apply to follows
        }
        if (!haveName) {
            std::string name = Field(b, 100);
            const bool ustar = std::memcmp(b + 257, "ustar", 5) == 0;
            const bool gnu = std::memcmp(b + 257, "ustar  ", 8) == 0;
            if (ustar && !gnu && b[345]) name = Field(b + 345, 155) + "/" + name;
            e.name = name;
        }
        if (!haveLink) e.linkTarget = Field(b + 157, 100);
        if (!haveSize) e.size = size;
        uint64_t v;
        if (ParseNumber(b + 100, 8, v)) e.mode = static_cast<uint32_t>(v & 07777);
        if (e.mtime == 0 && ParseNumber(b + 136, 12, v) && v < (uint64_t{1} << 40)) e.mtime = static_cast<int64_t>(v);
        e.typeFlag = type;
        switch (type) {
            case '0': case '\0': case '7': e.kind = TarKind::File; break;
            case '1': e.kind = TarKind::HardLink; break;
            case '2': e.kind = TarKind::SymLink; break;
            case '5': case 'D': e.kind = TarKind::Folder; break;
            default: e.kind = TarKind::Other; break;
        }
        if (e.kind == TarKind::File && !e.name.empty() && e.name.back() == '/') e.kind = TarKind::Folder;
        // Links and devices carry no data in ustar, whatever the size field says.
        if (e.kind == TarKind::HardLink || e.kind == TarKind::SymLink || type == '3' || type == '4' || type == '6') {
            if (!haveSize) e.size = 0;
        }
        dataLeft_ = e.size;
        padding_ = (kBlock - e.size % kBlock) % kBlock;
        if (type == 'S') {
            e.kind = TarKind::File;
            return ReadOldSparse(b, e);
        }
        if (x.sparse && e.kind == TarKind::File) {
            if (!x.sparseName.empty()) {
                e.name = x.sparseName;
                e.utf8Name = true;
            } else {
                e.name = WithoutSparseFolder(e.name);
            }
            if (x.sparse10 && !ReadSparseMap10()) return false;
            if (!x.sparse10) map_ = std::move(x.map);
            return StartSparse(e, x.realSize);
        }
        return true;
    }
}

bool TarReader::Fail(ArcError error) {
    if (error_ == ArcError::None) error_ = error;
    return false;
}

// GNU's old sparse entry: four parts in the header, then extension blocks
// of 21 parts each while the "extended" byte is set.
bool TarReader::ReadOldSparse(const uint8_t* header, TarEntry& e) {
    uint64_t realSize;
    if (!ParseNumber(header + 483, 12, realSize)) return Fail(ArcError::Corrupt);
    auto take = [&](const uint8_t* parts, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = parts + 24 * i;
            if (p[0] == 0) break;
            SparsePart part;
            if (!ParseNumber(p, 12, part.offset) || !ParseNumber(p + 12, 12, part.size)) return false;
            if (map_.size() >= kMaxSparseParts) return false;
            map_.push_back(part);
        }
        return true;
    };
    if (!take(header + 386, 4)) return Fail(ArcError::Corrupt);
    bool more = header[482] != 0;
    uint8_t ext[kBlock];
    while (more) {
        if (!ReadBlock(ext)) return false;
        if (!take(ext, 21)) return Fail(ArcError::Corrupt);
        more = ext[504] != 0;
    }
    return StartSparse(e, realSize);
}

// Format 1.0: the map leads the data as decimal numbers, one a line (the
// count, then offset and size of each part), padded to a whole block.
bool TarReader::ReadSparseMap10() {
    std::vector<uint64_t> numbers;
    uint64_t count = 0, value = 0;
    bool digits = false;
    uint8_t block[kBlock];
    for (;;) {
        if (dataLeft_ < kBlock) return Fail(ArcError::Corrupt);
        if (!ReadBlock(block)) return false;
        dataLeft_ -= kBlock;
        for (uint8_t c : block) {
            if (c >= '0' && c <= '9') {
                if (value >> 59) return Fail(ArcError::Corrupt);
                value = value * 10 + (c - '0');
                digits = true;
                continue;
            }
            if (c != '\n' || !digits) return Fail(ArcError::Corrupt);
            numbers.push_back(value);
            value = 0;
            digits = false;
            if (numbers.size() == 1) {
                count = numbers[0];
                if (count > kMaxSparseParts) return Fail(ArcError::Corrupt);
            }
            if (numbers.size() == 2 * count + 1) {
                for (size_t i = 1; i < numbers.size(); i += 2) map_.push_back({numbers[i], numbers[i + 1]});
                return true;
            }
        }
    }
}

// Checks the map against the real size and the stored bytes, and starts
// the expansion.
bool TarReader::StartSparse(TarEntry& e, uint64_t realSize) {
    uint64_t end = 0, stored = 0;
    for (const SparsePart& p : map_) {
        if (p.offset < end || p.offset > realSize || p.size > realSize - p.offset) return Fail(ArcError::Corrupt);
        end = p.offset + p.size;
        stored += p.size;
    }
    if (stored != dataLeft_) return Fail(ArcError::Corrupt);
    e.size = realSize;
    e.sparse = true;
    sparse_ = true;
    realSize_ = realSize;
    at_ = 0;
    part_ = 0;
    return true;
}

size_t TarReader::ReadStored(uint8_t* out, size_t size) {
    if (error_ != ArcError::None || dataLeft_ == 0) return 0;
    const size_t want = size < dataLeft_ ? size : static_cast<size_t>(dataLeft_);
    const size_t got = in_.Read(out, want);
    if (got == 0) {
        error_ = in_.error() != ArcError::None ? in_.error() : ArcError::Truncated;
        return 0;
    }
    dataLeft_ -= got;
    return got;
}

size_t TarReader::ReadData(uint8_t* out, size_t size) {
    if (!sparse_) return ReadStored(out, size);
    // A sparse file: zeros up to the next part, then the part's bytes.
    size_t produced = 0;
    while (produced < size && at_ < realSize_ && error_ == ArcError::None) {
        while (part_ < map_.size() && at_ >= map_[part_].offset + map_[part_].size) ++part_;
        const size_t room = size - produced;
        if (part_ < map_.size() && at_ >= map_[part_].offset) {
            const uint64_t left = map_[part_].offset + map_[part_].size - at_;
            const size_t n = ReadStored(out + produced, room < left ? room : static_cast<size_t>(left));
            if (n == 0) break;
            at_ += n;
            produced += n;
        } else {
            const uint64_t next = part_ < map_.size() ? map_[part_].offset : realSize_;
            const size_t n = room < next - at_ ? room : static_cast<size_t>(next - at_);
            std::memset(out + produced, 0, n);
            at_ += n;
            produced += n;
        }
    }
    return produced;
}

bool TarWriter::Put(const uint8_t* data, size_t size) {
    if (!ok_) return false;
    if (!out_.Write(data, size)) return ok_ = false;
    written_ += size;
    return true;
}

bool TarWriter::Header(const std::string& name, char type, uint64_t size, int64_t mtime, uint32_t mode) {
    uint8_t b[kBlock] = {};
    if (name.size() > 100) {
        // GNU long name: a "././@LongLink" entry whose data is the name.
        if (!Header("././@LongLink", 'L', name.size() + 1, 0, 0)) return false;
        std::vector<uint8_t> data(name.begin(), name.end());
        data.resize((name.size() + 1 + kBlock - 1) / kBlock * kBlock, 0);
        if (!Put(data.data(), data.size())) return false;
    }
    std::memcpy(b, name.data(), name.size() < 100 ? name.size() : 100);
    std::snprintf(reinterpret_cast<char*>(b + 100), 8, "%07o", mode & 07777);
    std::snprintf(reinterpret_cast<char*>(b + 108), 8, "%07o", 0);
    std::snprintf(reinterpret_cast<char*>(b + 116), 8, "%07o", 0);
    if (size < (uint64_t{1} << 33)) {
        std::snprintf(reinterpret_cast<char*>(b + 124), 12, "%011llo", static_cast<unsigned long long>(size));
    } else {  // base-256 for 8 GB and more
        b[124] = 0x80;
        for (int i = 0; i < 8; ++i) b[135 - i] = static_cast<uint8_t>(size >> (8 * i));
    }
    const unsigned long long t = mtime > 0 && mtime < (int64_t{1} << 33) ? static_cast<unsigned long long>(mtime) : 0;
    std::snprintf(reinterpret_cast<char*>(b + 136), 12, "%011llo", t);
    b[156] = static_cast<uint8_t>(type);
    std::memcpy(b + 257, "ustar  ", 8);  // GNU format, as GNU tar writes by default
    std::memset(b + 148, ' ', 8);
    uint32_t sum = 0;
    for (uint8_t c : b) sum += c;
    std::snprintf(reinterpret_cast<char*>(b + 148), 8, "%06o", sum);
    b[155] = ' ';
    return Put(b, kBlock);
}

bool TarWriter::AddFolder(const std::string& name, int64_t mtime) {
    const std::string n = (!name.empty() && name.back() == '/') ? name : name + "/";
    return Header(n, '5', 0, mtime, 0755);
}

bool TarWriter::BeginFile(const std::string& name, uint64_t size, int64_t mtime, uint32_t mode) {
    if (!Header(name, '0', size, mtime, mode)) return false;
    fileLeft_ = size;
    filePad_ = (kBlock - size % kBlock) % kBlock;
    return true;
}

bool TarWriter::WriteData(const uint8_t* data, size_t size) {
    if (size > fileLeft_) return ok_ = false;
    fileLeft_ -= size;
    return Put(data, size);
}

bool TarWriter::EndFile() {
    if (fileLeft_ != 0) return ok_ = false;
    static const uint8_t zeros[kBlock] = {};
    return Put(zeros, static_cast<size_t>(filePad_));
}

bool TarWriter::Finish() {
    static const uint8_t zeros[kBlock] = {};
    if (!Put(zeros, kBlock) || !Put(zeros, kBlock)) return false;
    while (written_ % 10240) {
        if (!Put(zeros, kBlock)) return false;
    }
    return true;
}

}  // namespace qaz::codecs
