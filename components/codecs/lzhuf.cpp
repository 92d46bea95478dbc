#include "components/codecs/lzhuf.h"

#include "components/codecs/huffman_tree.h"

#include <cstring>
#include <memory>

namespace qaz::codecs {
namespace {

struct State {
    MsbBitSource bits;
    HuffmanTree<12, kLzhufLiterals> literals;
    HuffmanTree<8, kLzhufLiterals> lengthTree;
    HuffmanTree<8, kLzhufLiterals> positions;
    LzhufParams params;
};

// The code-length tree and the position tree share this layout: a count,
// then 3-bit lengths with 7 extended by a run of ones; after the third
// entry of the code-length tree a 2-bit run of zeros.
bool ReadSmallTree(State& s, HuffmanTree<8, kLzhufLiterals>& tree, unsigned maxSymbols, unsigned countBits, int special) {
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
