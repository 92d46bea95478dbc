#include "components/codecs/lzh_early.h"

#include <cstring>
#include <memory>

namespace qaz::codecs {

AdaptiveHuffman::AdaptiveHuffman() {
    for (unsigned i = 0; i < kSymbols; ++i) {
        freq_[i] = 1;
        child_[i] = uint16_t(i + kNodes);
        parent_[i + kNodes] = uint16_t(i);
    }
    for (unsigned i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
        freq_[j] = uint16_t(freq_[i] + freq_[i + 1]);
        child_[j] = uint16_t(i);
        parent_[i] = parent_[i + 1] = uint16_t(j);
    }
    freq_[kNodes] = 0xFFFF;  // stops the search for a place in Update
    parent_[kRoot] = 0;
}

unsigned AdaptiveHuffman::Code(unsigned symbol, uint64_t* code) const {
    // Node k's children are child_[k] (bit 0) and child_[k] + 1 (bit 1);
    // parent_ of a leaf's symbol gives the node the leaf stands at.
    unsigned n = 0;
    uint64_t c = 0;
    for (unsigned node = parent_[symbol + kNodes]; node != kRoot; ++n) {
        const unsigned up = parent_[node];
        c |= uint64_t(node - child_[up]) << n;
        node = up;
    }
    *code = c;
    return n;
}

int AdaptiveHuffman::Decode(MsbBitSource& bits) const {
    unsigned c = child_[kRoot];
    while (c < kNodes) {
        c += bits.Get(1);
        c = child_[c];
    }
    return int(c - kNodes);
}

void AdaptiveHuffman::Rebuild() {
    // Gather the leaves with halved counts, then join them pairwise again,
    // each new node placed after the last node whose count is not larger.
    unsigned j = 0;
    for (unsigned i = 0; i < kNodes; ++i)
        if (child_[i] >= kNodes) {
            freq_[j] = uint16_t((freq_[i] + 1) / 2);
            child_[j] = child_[i];
            ++j;
        }
    for (unsigned i = 0, n = kSymbols; n < kNodes; i += 2, ++n) {
        const uint16_t f = uint16_t(freq_[i] + freq_[i + 1]);
        unsigned k = n;
        while (k > 0 && f < freq_[k - 1]) --k;
        std::memmove(&freq_[k + 1], &freq_[k], (n - k) * sizeof freq_[0]);
        std::memmove(&child_[k + 1], &child_[k], (n - k) * sizeof child_[0]);
        freq_[k] = f;
        child_[k] = uint16_t(i);
    }
    for (unsigned i = 0; i < kNodes; ++i) {
        const unsigned k = child_[i];
        parent_[k] = uint16_t(i);
        if (k < kNodes) parent_[k + 1] = uint16_t(i);
    }
}

void AdaptiveHuffman::Update(unsigned symbol) {
    if (freq_[kRoot] == 0x8000) Rebuild();
    unsigned c = parent_[symbol + kNodes];
    do {
        const uint16_t count = ++freq_[c];
        unsigned l = c + 1;
        if (count > freq_[l]) {
            // Swap with the last node of a smaller count.
            while (count > freq_[++l]) {}
            --l;
            freq_[c] = freq_[l];
            freq_[l] = count;
            const unsigned i = child_[c];
            parent_[i] = uint16_t(l);
            if (i < kNodes) parent_[i + 1] = uint16_t(l);
            const unsigned k = child_[l];
            child_[l] = uint16_t(i);
            parent_[k] = uint16_t(c);
            if (k < kNodes) parent_[k + 1] = uint16_t(c);
            child_[c] = uint16_t(k);
            c = l;
        }
        c = parent_[c];
    } while (c != 0);
}

namespace {

// How many position codes there are of each length from 3 to 8 bits.
constexpr unsigned kLh1PositionCounts[6] = {1, 3, 8, 12, 24, 16};

struct Lh1Positions {
    uint8_t upper[256];  // by the next eight bits: the upper six bits of the position
    uint8_t bits[256];   // and the length of their code
    Lh1Positions() {
        unsigned code = 0, upperSix = 0;
        for (unsigned i = 0; i < 6; ++i) {
            const unsigned len = i + 3, span = 1u << (8 - len);
            for (unsigned k = 0; k < kLh1PositionCounts[i]; ++k, ++upperSix, code += span)
                for (unsigned e = 0; e < span; ++e) {
                    upper[code + e] = uint8_t(upperSix);
                    bits[code + e] = uint8_t(len);
                }
        }
    }
};

const Lh1Positions& Positions() {
    static const Lh1Positions table;
    return table;
}

}  // namespace

Lh1PositionCode Lh1PositionOf(unsigned upperSix) {
    const Lh1Positions& t = Positions();
    for (unsigned i = 0; i < 256; ++i)
        if (t.upper[i] == upperSix) return {t.bits[i], i >> (8 - t.bits[i])};
    return {0, 0};
}

UnpackStatus DecodeLh1(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink) {
    auto tree = std::make_unique<AdaptiveHuffman>();
    const Lh1Positions& positions = Positions();
    MsbBitSource bits(in, inSize);
    Window window(sink);
    uint64_t done = 0;
    while (done < outSize) {
        const int c = tree->Decode(bits);
        if (bits.Overrun()) return UnpackStatus::Truncated;
        tree->Update(unsigned(c));
        if (c < 256) {
            if (!window.Literal(uint8_t(c))) return UnpackStatus::Stopped;
            ++done;
            continue;
        }
        uint32_t length = uint32_t(c) - 253;
        const unsigned first = bits.Get(8);
        const unsigned more = positions.bits[first] - 2u;
        const unsigned low = ((first << more) | bits.Get(more)) & 0x3F;
        const uint32_t position = (uint32_t(positions.upper[first]) << 6) | low;
        if (bits.Overrun()) return UnpackStatus::Truncated;
        if (length > outSize - done) length = uint32_t(outSize - done);
        if (!window.Copy(position + 1, length)) return UnpackStatus::Stopped;
        done += length;
    }
    return window.Finish() ? UnpackStatus::Ok : UnpackStatus::Stopped;
}

namespace {

// LArc's history: matches name an absolute place in the ring, which starts
// filled and is written from a little before its end.
class Ring {
public:
    Ring(unsigned size, unsigned start, ByteSink& sink) : ring_(size), mask_(size - 1), pos_(start), sink_(sink) {}
    uint8_t* data() { return ring_.data(); }
    bool Put(uint8_t b) {
        ring_[pos_] = b;
        pos_ = (pos_ + 1) & mask_;
        out_[n_++] = b;
        return n_ < sizeof out_ || Flush();
    }
    bool Copy(unsigned from, unsigned length) {
        for (unsigned i = 0; i < length; ++i)
            if (!Put(ring_[(from + i) & mask_])) return false;
        return true;
    }
    bool Flush() {
        const bool ok = n_ == 0 || sink_.Write(out_, n_);
        n_ = 0;
        return ok;
    }

private:
    std::vector<uint8_t> ring_;
    unsigned mask_, pos_;
    ByteSink& sink_;
    uint8_t out_[4096];
    size_t n_ = 0;
};

}  // namespace

UnpackStatus DecodeLzs(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink) {
    auto ring = std::make_unique<Ring>(2048, 2048 - 17, sink);
    std::memset(ring->data(), ' ', 2048);
    MsbBitSource bits(in, inSize);
    uint64_t done = 0;
    while (done < outSize) {
        bits.Fill();
        if (bits.Get(1)) {
            const uint8_t b = uint8_t(bits.Get(8));
            if (bits.Overrun()) return UnpackStatus::Truncated;
            if (!ring->Put(b)) return UnpackStatus::Stopped;
            ++done;
            continue;
        }
        const unsigned from = bits.Get(11);
        uint64_t length = bits.Get(4) + 2;
        if (bits.Overrun()) return UnpackStatus::Truncated;
        if (length > outSize - done) length = outSize - done;
        if (!ring->Copy(from, unsigned(length))) return UnpackStatus::Stopped;
        done += length;
    }
    return ring->Flush() ? UnpackStatus::Ok : UnpackStatus::Stopped;
}

UnpackStatus DecodeLz5(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink) {
    auto ring = std::make_unique<Ring>(4096, 4096 - 18, sink);
    // The ring starts with runs of every byte value, the values rising and
    // falling, zeros and blanks: text often matches them from the start.
    uint8_t* p = ring->data();
    for (unsigned v = 0; v < 256; ++v) p = static_cast<uint8_t*>(std::memset(p, int(v), 13)) + 13;
    for (unsigned v = 0; v < 256; ++v) *p++ = uint8_t(v);
    for (unsigned v = 0; v < 256; ++v) *p++ = uint8_t(255 - v);
    p = static_cast<uint8_t*>(std::memset(p, 0, 128)) + 128;
    p = static_cast<uint8_t*>(std::memset(p, ' ', 110)) + 110;
    std::memset(p, 0, 18);
    size_t at = 0;
    uint64_t done = 0;
    while (done < outSize) {
        if (at >= inSize) return UnpackStatus::Truncated;
        const uint8_t flags = in[at++];
        for (unsigned bit = 0; bit < 8 && done < outSize; ++bit) {
            if (flags & (1u << bit)) {
                if (at >= inSize) return UnpackStatus::Truncated;
                if (!ring->Put(in[at++])) return UnpackStatus::Stopped;
                ++done;
                continue;
            }
            if (inSize - at < 2) return UnpackStatus::Truncated;
            const unsigned from = in[at] | (unsigned(in[at + 1] & 0xF0) << 4);
            uint64_t length = (in[at + 1] & 0x0Fu) + 3;
            at += 2;
            if (length > outSize - done) length = outSize - done;
            if (!ring->Copy(from, unsigned(length))) return UnpackStatus::Stopped;
            done += length;
        }
    }
    return ring->Flush() ? UnpackStatus::Ok : UnpackStatus::Stopped;
}

}  // namespace qaz::codecs
