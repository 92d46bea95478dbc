#include "components/codecs/lzw.h"

#include <cstring>
#include <unordered_map>

namespace qaz::codecs {
namespace {
constexpr uint32_t kClear = 256;
constexpr unsigned kInitBits = 9;
}  // namespace

bool LooksLikeCompress(const uint8_t* head, size_t size) {
    return size >= 3 && head[0] == 0x1F && head[1] == 0x9D && (head[2] & 0x1F) >= 9 && (head[2] & 0x1F) <= 16 &&
           (head[2] & 0x60) == 0;
}

struct LzwSource::State {
    uint16_t prefix[1 << 16];
    uint8_t suffix[1 << 16];
    uint8_t stack[1 << 16];
    size_t stackTop = 0;  // bytes of the current string still to hand out, from the top down
    uint8_t in[1 << 14];
    size_t inPos = 0, inSize = 0;
    uint64_t bitBuffer = 0;
    unsigned bitCount = 0;
    unsigned maxBits = 16;
    bool blockMode = true;
    unsigned bits = kInitBits;
    uint32_t maxCode = (1u << kInitBits) - 1;
    uint32_t maxMaxCode = 1u << 16;
    uint32_t freeEnt = 257;
    int32_t oldCode = -1;
    uint8_t finChar = 0;
    uint32_t codesInGroup = 0;  // codes read at the current width, modulo 8
    bool started = false;
    bool ended = false;
};

LzwSource::LzwSource(ByteSource& in) : in_(in), state_(new State) {}
LzwSource::~LzwSource() = default;

bool LzwSource::NextCode(uint32_t& code) {
    State& s = *state_;
    while (s.bitCount < s.bits) {
        if (s.inPos == s.inSize) {
            s.inSize = in_.Read(s.in, sizeof s.in);
            s.inPos = 0;
            if (s.inSize == 0) {
                if (in_.error() != ArcError::None) error_ = in_.error();
                return false;  // fewer bits than a code: the end
            }
            packed_ += s.inSize;
        }
        s.bitBuffer |= static_cast<uint64_t>(s.in[s.inPos++]) << s.bitCount;
        s.bitCount += 8;
    }
    code = static_cast<uint32_t>(s.bitBuffer & ((1u << s.bits) - 1));
    s.bitBuffer >>= s.bits;
    s.bitCount -= s.bits;
    s.codesInGroup = (s.codesInGroup + 1) & 7;
    return true;
}

void LzwSource::SkipRestOfGroup() {
    State& s = *state_;
    if (s.codesInGroup == 0) return;
    uint64_t skip = static_cast<uint64_t>(8 - s.codesInGroup) * s.bits;
    s.codesInGroup = 0;
    while (skip > 0) {
        if (s.bitCount == 0) {
            if (s.inPos == s.inSize) {
                s.inSize = in_.Read(s.in, sizeof s.in);
                s.inPos = 0;
                if (s.inSize == 0) return;
                packed_ += s.inSize;
            }
            s.bitBuffer = s.in[s.inPos++];
            s.bitCount = 8;
        }
        const unsigned n = skip < s.bitCount ? static_cast<unsigned>(skip) : s.bitCount;
        s.bitBuffer >>= n;
        s.bitCount -= n;
        skip -= n;
    }
}

size_t LzwSource::Read(uint8_t* out, size_t size) {
    State& s = *state_;
    if (error_ != ArcError::None) return 0;
    if (!s.started) {
        s.started = true;
        uint8_t head[3];
        if (!ReadFull(in_, head, 3)) {
            error_ = in_.error() != ArcError::None ? in_.error() : ArcError::Truncated;
            return 0;
        }
        packed_ += 3;
        if (!LooksLikeCompress(head, 3)) {
            error_ = (head[0] == 0x1F && head[1] == 0x9D) ? ArcError::Unsupported : ArcError::Corrupt;
            return 0;
        }
        s.maxBits = head[2] & 0x1F;
        s.blockMode = (head[2] & 0x80) != 0;
        s.maxMaxCode = 1u << s.maxBits;
        s.freeEnt = s.blockMode ? 257 : 256;
    }
    size_t produced = 0;
    while (produced < size) {
        if (s.stackTop > 0) {
            const size_t n = s.stackTop < size - produced ? s.stackTop : size - produced;
            for (size_t i = 0; i < n; ++i) out[produced++] = s.stack[--s.stackTop];
            continue;
        }
        if (s.ended) break;
        if (s.freeEnt > s.maxCode && s.bits < s.maxBits) {
            SkipRestOfGroup();
            ++s.bits;
            s.maxCode = s.bits == s.maxBits ? s.maxMaxCode : (1u << s.bits) - 1;
        }
        uint32_t code;
        if (!NextCode(code)) {
            s.ended = true;
            break;
        }
        if (s.oldCode == -1) {
            if (code >= 256) {
                error_ = ArcError::Corrupt;
                return 0;
            }
            s.oldCode = static_cast<int32_t>(code);
            s.finChar = static_cast<uint8_t>(code);
            out[produced++] = s.finChar;
            continue;
        }
        if (code == kClear && s.blockMode) {
            SkipRestOfGroup();
            s.freeEnt = 256;
            s.bits = kInitBits;
            s.maxCode = (1u << kInitBits) - 1;
            continue;
        }
        const uint32_t inCode = code;
        if (code >= s.freeEnt) {
            if (code > s.freeEnt) {
                error_ = ArcError::Corrupt;
                return 0;
            }
            s.stack[s.stackTop++] = s.finChar;  // the KwKwK case
            code = static_cast<uint32_t>(s.oldCode);
        }
        while (code >= 256) {
            if (s.stackTop >= sizeof s.stack - 1) {
                error_ = ArcError::Corrupt;
                return 0;
            }
            s.stack[s.stackTop++] = s.suffix[code];
            code = s.prefix[code];
        }
        s.finChar = static_cast<uint8_t>(code);
        s.stack[s.stackTop++] = s.finChar;
        if (s.freeEnt < s.maxMaxCode) {
            s.prefix[s.freeEnt] = static_cast<uint16_t>(s.oldCode);
            s.suffix[s.freeEnt] = s.finChar;
            ++s.freeEnt;
        }
        s.oldCode = static_cast<int32_t>(inCode);
    }
    return produced;
}

std::vector<uint8_t> CompressLzw(const uint8_t* data, size_t size, int maxBits) {
    std::vector<uint8_t> out = {0x1F, 0x9D, static_cast<uint8_t>(0x80 | maxBits)};
    const uint32_t maxMaxCode = 1u << maxBits;
    unsigned bits = kInitBits;
    uint32_t maxCode = (1u << bits) - 1;
    uint32_t freeEnt = 257;
    uint64_t acc = 0;
    unsigned accBits = 0;
    size_t groupStart = out.size();
    unsigned codes = 0;
    auto output = [&](uint32_t code) {
        acc |= static_cast<uint64_t>(code) << accBits;
        accBits += bits;
        while (accBits >= 8) {
            out.push_back(static_cast<uint8_t>(acc));
            acc >>= 8;
            accBits -= 8;
        }
        if (++codes == 8) {  // a full group ends on a byte boundary
            codes = 0;
            groupStart = out.size();
        }
        if (freeEnt > maxCode) {
            // The width grows: the current group is padded to its full size.
            if (accBits) out.push_back(static_cast<uint8_t>(acc));
            acc = 0;
            accBits = 0;
            if (codes) out.resize(groupStart + bits, 0);
            codes = 0;
            groupStart = out.size();
            ++bits;
            maxCode = bits == static_cast<unsigned>(maxBits) ? maxMaxCode : (1u << bits) - 1;
        }
    };
    if (size == 0) return out;
    std::unordered_map<uint32_t, uint32_t> table;
    uint32_t ent = data[0];
    for (size_t i = 1; i < size; ++i) {
        const uint32_t key = (ent << 8) | data[i];
        auto it = table.find(key);
        if (it != table.end()) {
            ent = it->second;
            continue;
        }
        output(ent);
        ent = data[i];
        if (freeEnt < maxMaxCode) table[key] = freeEnt++;
    }
    output(ent);
    if (accBits) out.push_back(static_cast<uint8_t>(acc));
    return out;
}

}  // namespace qaz::codecs
