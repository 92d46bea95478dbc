#include "components/codecs/lzhuf.h"

#include <cstring>
#include <memory>

namespace qaz::codecs {
namespace {

// A canonical Huffman decoder: codes of up to kTableBits are looked up at
// once, longer ones are found from the first code of each length.
template <unsigned kTableBits>
class Tree {
public:
    // An empty or one-symbol-only tree, whose single code takes no bits.
    void Single(unsigned symbol) {
        single_ = true;
        symbol_ = static_cast<uint16_t>(symbol);
    }
    // False when the lengths describe more codes than there are.
    bool Build(const uint8_t* lengths, unsigned n) {
        single_ = false;
        unsigned count[17] = {};
        for (unsigned i = 0; i < n; ++i) ++count[lengths[i]];
        count[0] = 0;
        uint32_t code = 0;
        unsigned offset = 0;
        for (unsigned len = 1; len <= 16; ++len) {
            first_[len] = code;
            offset_[len] = offset;
            count_[len] = count[len];
            offset += count[len];
            code = (code + count[len]) << 1;
            if (first_[len] + count[len] > (1u << len)) return false;
        }
        unsigned next[17];
        for (unsigned len = 1; len <= 16; ++len) next[len] = offset_[len];
        for (unsigned i = 0; i < n; ++i)
            if (lengths[i]) sorted_[next[lengths[i]]++] = static_cast<uint16_t>(i);
        std::memset(table_, 0, sizeof table_);
        for (unsigned len = 1; len <= kTableBits; ++len)
            for (unsigned k = 0; k < count_[len]; ++k) {
                const uint32_t c = first_[len] + k;
                const uint32_t from = c << (kTableBits - len), to = (c + 1) << (kTableBits - len);
                const uint32_t entry = (uint32_t(sorted_[offset_[len] + k]) << 5) | len;
                for (uint32_t e = from; e < to; ++e) table_[e] = entry;
            }
        return true;
    }
    // Returns the symbol, or -1 for a code that the tree does not have.
    int Decode(MsbBitSource& bits) const {
        if (single_) return symbol_;
        bits.Fill();
        const uint32_t entry = table_[bits.Peek(kTableBits)];
        if (entry) {
            bits.Drop(entry & 31);
            return int(entry >> 5);
        }
        const uint32_t peek = bits.Peek(16);
        for (unsigned len = kTableBits + 1; len <= 16; ++len) {
            const uint32_t c = peek >> (16 - len);
            if (c - first_[len] < count_[len] && c >= first_[len]) {
                bits.Drop(len);
                return sorted_[offset_[len] + (c - first_[len])];
            }
        }
        return -1;
    }

private:
    bool single_ = true;
    uint16_t symbol_ = 0;
    uint32_t first_[17] = {};
    unsigned offset_[17] = {};
    unsigned count_[17] = {};
    uint16_t sorted_[kLzhufLiterals] = {};
    uint32_t table_[1u << kTableBits] = {};
};

struct State {
    MsbBitSource bits;
    Tree<12> literals;
    Tree<8> lengthTree;
    Tree<8> positions;
    LzhufParams params;
};

// The code-length tree and the position tree share this layout: a count,
// then 3-bit lengths with 7 extended by a run of ones; after the third
// entry of the code-length tree a 2-bit run of zeros.
bool ReadSmallTree(State& s, Tree<8>& tree, unsigned maxSymbols, unsigned countBits, int special) {
    const unsigned n = s.bits.Get(countBits);
    if (n == 0) {
        const unsigned symbol = s.bits.Get(countBits);
        if (symbol >= maxSymbols) return false;
        tree.Single(symbol);
        return true;
    }
    if (n > maxSymbols) return false;
    uint8_t lengths[32] = {};
    unsigned i = 0;
    while (i < n) {
        unsigned len = s.bits.Get(3);
        if (len == 7) {
            s.bits.Fill();
            while (s.bits.Get(1)) {
                if (++len > kLzhufMaxCodeLength) return false;
            }
        }
        lengths[i++] = static_cast<uint8_t>(len);
        if (static_cast<int>(i) == special) {
            unsigned zeros = s.bits.Get(2);
            while (zeros-- > 0 && i < maxSymbols) lengths[i++] = 0;
        }
    }
    return tree.Build(lengths, maxSymbols);
}

bool ReadLiteralTree(State& s) {
    const unsigned n = s.bits.Get(9);
    if (n == 0) {
        const unsigned symbol = s.bits.Get(9);
        if (symbol >= kLzhufLiterals) return false;
        s.literals.Single(symbol);
        return true;
    }
    if (n > kLzhufLiterals) return false;
    uint8_t lengths[kLzhufLiterals] = {};
    unsigned i = 0;
    while (i < n) {
        const int c = s.lengthTree.Decode(s.bits);
        if (c < 0) return false;
        if (c <= 2) {
            unsigned run = c == 0 ? 1 : c == 1 ? s.bits.Get(4) + 3 : s.bits.Get(9) + 20;
            if (run > n - i) return false;
            i += run;  // lengths already zero
        } else {
            lengths[i++] = static_cast<uint8_t>(c - 2);
        }
    }
    return s.literals.Build(lengths, kLzhufLiterals);
}

}  // namespace

UnpackStatus DecodeLzhuf(const uint8_t* in, size_t inSize, uint64_t outSize, LzhufParams params, ByteSink& sink) {
    if (params.positionCodes > 21 || params.positionCodes < 2 || params.positionBits > 5) return UnpackStatus::Unsupported;
    auto s = std::unique_ptr<State>(new State{MsbBitSource(in, inSize), {}, {}, {}, params});
    // A position slot of n codes reaches back 2^(n-1) bytes.
    const uint32_t reach = 1u << (params.positionCodes - 1);
    Window window(sink, reach > Window::kSize ? reach : Window::kSize);
    unsigned blockLeft = 0;
    uint64_t done = 0;
    while (done < outSize) {
        while (blockLeft == 0) {
            blockLeft = s->bits.Get(16);
            if (!ReadSmallTree(*s, s->lengthTree, kLzhufLengthCodes, 5, 3) || !ReadLiteralTree(*s) ||
                !ReadSmallTree(*s, s->positions, params.positionCodes, params.positionBits, -1))
                return s->bits.Overrun() ? UnpackStatus::Truncated : UnpackStatus::Corrupt;
            if (s->bits.Overrun()) return UnpackStatus::Truncated;
        }
        --blockLeft;
        const int c = s->literals.Decode(s->bits);
        if (c < 0) return UnpackStatus::Corrupt;
        if (c < 256) {
            if (!window.Literal(static_cast<uint8_t>(c))) return UnpackStatus::Stopped;
            ++done;
        } else {
            uint32_t length = static_cast<uint32_t>(c) - 253;
            const int slot = s->positions.Decode(s->bits);
            if (slot < 0) return UnpackStatus::Corrupt;
            uint32_t position = slot <= 1 ? uint32_t(slot) : (1u << (slot - 1)) + s->bits.Get(unsigned(slot - 1));
            if (position >= window.size()) return UnpackStatus::Corrupt;
            if (length > outSize - done) length = static_cast<uint32_t>(outSize - done);
            if (!window.Copy(position + 1, length)) return UnpackStatus::Stopped;
            done += length;
        }
        if (s->bits.Overrun()) return UnpackStatus::Truncated;
    }
    if (!window.Finish()) return UnpackStatus::Stopped;
    return UnpackStatus::Ok;
}

}  // namespace qaz::codecs
