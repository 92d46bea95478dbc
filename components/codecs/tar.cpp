#include "components/codecs/tar.h"

#include <cstdio>
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

// pax records: "<length> <key>=<value>\n".
void ApplyPax(const std::string& text, TarEntry& e, bool& haveName, bool& haveLink, bool& haveSize, bool& bad) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t len = 0, i = pos;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && len < (1u << 24)) len = len * 10 + (text[i++] - '0');
        if (i >= text.size() || text[i] != ' ' || len == 0 || len > text.size() - pos) {
            bad = true;
            return;
        }
        const std::string record = text.substr(i + 1, pos + len - i - 1);
        pos += len;
        if (record.empty() || record.back() != '\n') {
            bad = true;
            return;
        }
        const size_t eq = record.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = record.substr(0, eq);
        const std::string value = record.substr(eq + 1, record.size() - eq - 2);
        if (key == "path") {
            e.name = value;
            haveName = true;
        } else if (key == "linkpath") {
            e.linkTarget = value;
            haveLink = true;
        } else if (key == "size") {
            uint64_t v = 0;
            for (char c : value) {
                if (c < '0' || c > '9' || (v >> 59)) {
                    bad = true;
                    return;
                }
                v = v * 10 + static_cast<uint64_t>(c - '0');
            }
            e.size = v;
            haveSize = true;
        } else if (key == "mtime") {
            e.mtime = std::strtoll(value.c_str(), nullptr, 10);
        }
    }
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
    text = buf.substr(0, static_cast<size_t>(size));
    return true;
}

bool TarReader::Next(TarEntry& e) {
    if (ended_ || error_ != ArcError::None) return false;
    if (!SkipRest()) return false;
    e = TarEntry();
    bool haveName = false, haveLink = false, haveSize = false;
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
                e.name = Field(reinterpret_cast<const uint8_t*>(text.data()), text.size());
                haveName = true;
            } else if (type == 'K') {
                e.linkTarget = Field(reinterpret_cast<const uint8_t*>(text.data()), text.size());
                haveLink = true;
            } else if (type == 'x') {
                bool bad = false;
                const bool hadName = haveName;
                ApplyPax(text, e, haveName, haveLink, haveSize, bad);
                if (haveName && !hadName) e.utf8Name = true;
                if (bad) {
                    error_ = ArcError::Corrupt;
                    return false;
                }
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
        return true;
    }
}

size_t TarReader::ReadData(uint8_t* out, size_t size) {
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
