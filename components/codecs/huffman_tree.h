// A canonical Huffman decoder for the LHA family's methods: codes of up to
// kTableBits are looked up at once, longer ones (to 16 bits) are found from
// the first code of each length. Holds up to kSymbols symbols.
#pragma once
#include <cstdint>
#include <cstring>

#include "components/codecs/unpack.h"

namespace qaz::codecs {

template <unsigned kTableBits, unsigned kSymbols>
class HuffmanTree {
public:
    // An empty or one-symbol-only tree, whose single code takes no bits.
    void Single(unsigned symbol) {
        single_ = true;
        symbol_ = static_cast<uint16_t>(symbol);
    }
    // False when the lengths describe more codes than there are, or more
    // symbols than the tree holds.
    bool Build(const uint8_t* lengths, unsigned n) {
        if (n > kSymbols) return false;
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
                const uint16_t entry = static_cast<uint16_t>(sorted_[offset_[len] + k] << 5 | len);
                for (uint32_t e = from; e < to; ++e) table_[e] = entry;
            }
        return true;
    }
    // Whether any symbol has a code (a single symbol counts).
    bool HasCodes() const {
        if (single_) return true;
        for (unsigned len = 1; len <= 16; ++len)
            if (count_[len]) return true;
        return false;
    }
    // Returns the symbol, or -1 for a code that the tree does not have.
    int Decode(MsbBitSource& bits) const {
        if (single_) return symbol_;
        bits.Fill();
        const unsigned entry = table_[bits.Peek(kTableBits)];
        if (entry) {
            bits.Drop(entry & 31);
            return int(entry >> 5);
        }
        return DecodeLong(bits);
    }

private:
    static_assert(kSymbols <= (1u << 11), "a table entry holds the symbol in 11 bits");
    // Codes longer than the table's bits, found from the first code of each length.
    int DecodeLong(MsbBitSource& bits) const {
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

    bool single_ = true;
    uint16_t symbol_ = 0;
    uint32_t first_[17] = {};
    unsigned offset_[17] = {};
    unsigned count_[17] = {};
    uint16_t sorted_[kSymbols] = {};
    uint16_t table_[1u << kTableBits] = {};  // symbol << 5 | length; 0 for a longer code
};

}  // namespace qaz::codecs
