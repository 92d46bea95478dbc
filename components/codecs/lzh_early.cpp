#include "components/codecs/lzh_early.h"

#include "components/codecs/huffman_tree.h"

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

RecentBytes::RecentBytes() {
    unsigned n = 0;
    const unsigned groups[5][2] = {{0x20, 0x7F}, {0x00, 0x1F}, {0xA0, 0xDF}, {0x80, 0x9F}, {0xE0, 0xFF}};
    for (const auto& g : groups)
        for (unsigned b = g[0]; b <= g[1]; ++b) order_[n++] = uint8_t(b);
}

unsigned RecentBytes::PlaceOf(uint8_t b) const {
    unsigned i = 0;
    while (order_[i] != b) ++i;
    return i;
}

void RecentBytes::Use(uint8_t b) {
    const unsigned at = PlaceOf(b);
    std::memmove(order_ + 1, order_, at);
    order_[0] = b;
}

namespace {

class Pm2Decoder {
public:
    Pm2Decoder(const uint8_t* in, size_t inSize, ByteSink& sink) : bits_(in, inSize), out_(8192, 0, sink) {
        std::memset(out_.data(), ' ', 8192);
    }

    UnpackStatus Run(uint64_t outSize) {
        bits_.Get(1);  // the stream starts with a bit of no meaning
        if (!Rebuild()) return Failed();
        while (done_ < outSize) {
            const int code = codes_.Decode(bits_);
            if (code < 0 || bits_.Overrun()) return Failed();
            if (code < 8) {
                const Pm2Range r = kPm2Places[code];
                if (!Put(recent_.At(r.start + bits_.Get(r.bits)))) return UnpackStatus::Stopped;
                if (!ok_) return Failed();
                continue;
            }
            const unsigned copy = unsigned(code) - 8;
            uint64_t length;
            if (copy < 15) {
                length = copy + 2;
            } else if (copy - 15 < 6) {
                const Pm2Range r = kPm2Lengths[copy - 15];
                length = r.start + bits_.Get(r.bits);
            } else {
                return UnpackStatus::Corrupt;
            }
            unsigned distance = 0;  // less one
            if (copy == 0) {
                distance = bits_.Get(6);
            } else if (copy < 20) {
                const int slot = offsets_.Decode(bits_);
                if (slot < 0) return Failed();
                const unsigned n = slot == 0 ? 6 : unsigned(slot) + 5;
                distance = (slot == 0 ? 0 : 1u << n) + bits_.Get(n);
            }
            if (bits_.Overrun() || distance >= 8192) return Failed();
            if (length > outSize - done_) length = outSize - done_;
            const unsigned from = unsigned(pos_ + 8192 - 1 - distance);
            for (unsigned i = 0; i < length; ++i) {
                if (!Put(out_.data()[(from + i) & 8191])) return UnpackStatus::Stopped;
                if (!ok_) return Failed();
            }
        }
        return out_.Flush() ? UnpackStatus::Ok : UnpackStatus::Stopped;
    }

private:
    UnpackStatus Failed() const { return bits_.Overrun() ? UnpackStatus::Truncated : UnpackStatus::Corrupt; }

    bool Put(uint8_t b) {
        if (!out_.Put(b)) return false;
        ++pos_;
        ++done_;
        recent_.Use(b);
        if (--untilRebuild_ == 0) ok_ = Rebuild();
        return true;
    }

    bool ReadCodes() {
        const unsigned n = bits_.Get(5), shortest = bits_.Get(3);
        needOffsets_ = n >= 10 && !(n == 29 && shortest == 0);
        if (shortest == 0) {
            if (n == 0) return false;
            codes_.Single(n - 1);
            return true;
        }
        const unsigned width = bits_.Get(3);
        uint8_t lengths[31] = {};
        for (unsigned i = 0; i < n; ++i) {
            const unsigned v = bits_.Get(width);
            lengths[i] = uint8_t(v ? shortest + v - 1 : 0);
            if (lengths[i] > 16) return false;
        }
        return codes_.Build(lengths, n) && codes_.HasCodes();
    }

    bool ReadOffsets(unsigned n) {
        if (!needOffsets_) return true;
        uint8_t lengths[8] = {};
        unsigned used = 0, last = 0;
        for (unsigned i = 0; i < n; ++i) {
            lengths[i] = uint8_t(bits_.Get(3));
            if (lengths[i]) {
                ++used;
                last = i;
            }
        }
        if (used == 1) offsets_.Single(last);
        else if (!offsets_.Build(lengths, n) || !offsets_.HasCodes()) return false;
        return true;
    }

    // The trees come again after 1, 2, 4 and 8 KB of output and every 4 KB
    // after that: the first times with one more position slot each, later
    // only when a bit asks for them.
    bool Rebuild() {
        switch (stage_++) {
        case 0:
            untilRebuild_ = 1024;
            return ReadCodes() && ReadOffsets(5);
        case 1:
            untilRebuild_ = 1024;
            return ReadOffsets(6);
        case 2:
            untilRebuild_ = 2048;
            return ReadOffsets(7);
        case 3:
            untilRebuild_ = 4096;
            if (bits_.Get(1) && !ReadCodes()) return false;
            return ReadOffsets(8);
        default:
            stage_ = 4;
            untilRebuild_ = 4096;
            return !bits_.Get(1) || (ReadCodes() && ReadOffsets(8));
        }
    }

    MsbBitSource bits_;
    Ring out_;
    RecentBytes recent_;
    HuffmanTree<8, 32> codes_;
    HuffmanTree<8, 32> offsets_;  // until one is sent, every position takes slot 0
    bool needOffsets_ = false, ok_ = true;
    unsigned stage_ = 0;
    uint64_t pos_ = 0, done_ = 0, untilRebuild_ = 0;
};

}  // namespace

UnpackStatus DecodePm2(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink) {
    auto decoder = std::make_unique<Pm2Decoder>(in, inSize, sink);
    return decoder->Run(outSize);
}

}  // namespace qaz::codecs
