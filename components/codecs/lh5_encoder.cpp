#include "components/codecs/lh5_encoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "components/codecs/lzhuf.h"

namespace qaz::codecs {

void HuffmanLengths(const uint32_t* freq, unsigned n, unsigned maxLength, uint8_t* lengths) {
    std::memset(lengths, 0, n);
    std::vector<uint32_t> f(freq, freq + n);
    unsigned used = 0;
    for (unsigned i = 0; i < n; ++i) used += f[i] != 0;
    if (used < 2) return;
    std::vector<unsigned> order;
    std::vector<uint32_t> weight;
    std::vector<int> parent;
    for (;;) {
        order.clear();
        for (unsigned i = 0; i < n; ++i)
            if (f[i]) order.push_back(i);
        std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return f[a] < f[b]; });
        // Two-queue construction: leaves in frequency order, inner nodes in creation order.
        const size_t leaves = order.size();
        weight.assign(2 * leaves, 0);
        parent.assign(2 * leaves, -1);
        for (size_t i = 0; i < leaves; ++i) weight[i] = f[order[i]];
        size_t leaf = 0, inner = leaves, made = leaves;
        auto take = [&]() -> size_t {
            if (leaf < leaves && (inner >= made || weight[leaf] <= weight[inner])) return leaf++;
            return inner++;
        };
        while (made < 2 * leaves - 1) {
            const size_t a = take(), b = take();
            weight[made] = weight[a] + weight[b];
            parent[a] = parent[b] = int(made);
            ++made;
        }
        std::vector<unsigned> depth(made, 0);
        unsigned longest = 0;
        for (size_t i = made - 1; i-- > 0;) {
            depth[i] = depth[size_t(parent[i])] + 1;
            if (i < leaves) longest = std::max(longest, depth[i]);
        }
        if (longest <= maxLength) {
            for (size_t i = 0; i < leaves; ++i) lengths[order[i]] = uint8_t(depth[i]);
            return;
        }
        for (uint32_t& x : f)
            if (x) x = (x >> 1) | 1;
    }
}

namespace {

constexpr unsigned kWindow = 8192;
constexpr unsigned kMaxDistance = kWindow - 1;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 256;
constexpr unsigned kHashBits = 15;
constexpr unsigned kChainDepth = 96;
constexpr unsigned kNiceLength = 128;
constexpr unsigned kLazyLimit = 48;
constexpr unsigned kBlockTokens = 8192;
constexpr unsigned kPositionCodes = 14;

class BitSink {
public:
    explicit BitSink(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t value, unsigned n) {  // n <= 24
        if (!n) return;
        acc_ = (acc_ << n) | (value & ((1u << n) - 1));
        count_ += n;
        while (count_ >= 8) {
            count_ -= 8;
            out_.push_back(uint8_t(acc_ >> count_));
        }
    }
    void Flush() {
        if (count_) out_.push_back(uint8_t(acc_ << (8 - count_)));
        count_ = 0;
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    unsigned count_ = 0;
};

void CanonicalCodes(const uint8_t* len, unsigned n, uint16_t* code) {
    unsigned count[18] = {};
    for (unsigned i = 0; i < n; ++i) ++count[len[i]];
    count[0] = 0;
    uint32_t next[18] = {};
    uint32_t c = 0;
    for (unsigned l = 1; l <= 16; ++l) {
        next[l] = c;
        c = (c + count[l]) << 1;
    }
    for (unsigned i = 0; i < n; ++i)
        if (len[i]) code[i] = uint16_t(next[len[i]]++);
}

unsigned PositionSlot(unsigned p) {
    unsigned slot = 0;
    while (p) {
        ++slot;
        p >>= 1;
    }
    return slot;
}

struct Token {
    uint16_t symbol;    // byte, or 253 + match length
    uint16_t position;  // distance - 1
};

class BlockWriter {
public:
    explicit BlockWriter(BitSink& bits) : bits_(bits) {}

    void Write(const std::vector<Token>& tokens) {
        uint32_t cf[kLzhufLiterals] = {}, pf[kPositionCodes] = {};
        for (const Token& t : tokens) {
            ++cf[t.symbol];
            if (t.symbol >= 256) ++pf[PositionSlot(t.position)];
        }
        uint8_t cl[kLzhufLiterals], pl[kPositionCodes];
        uint16_t cc[kLzhufLiterals] = {}, pc[kPositionCodes] = {};
        HuffmanLengths(cf, kLzhufLiterals, 16, cl);
        HuffmanLengths(pf, kPositionCodes, 16, pl);
        CanonicalCodes(cl, kLzhufLiterals, cc);
        CanonicalCodes(pl, kPositionCodes, pc);
        bits_.Put(uint32_t(tokens.size()), 16);
        const int cSingle = SingleSymbol(cf, kLzhufLiterals);
        if (cSingle >= 0 || Used(cf, kLzhufLiterals) < 2) {
            bits_.Put(0, 5);
            bits_.Put(0, 5);
            bits_.Put(0, 9);
            bits_.Put(uint32_t(std::max(cSingle, 0)), 9);
        } else {
            WriteLiteralLengths(cl);
        }
        const int pSingle = SingleSymbol(pf, kPositionCodes);
        if (Used(pf, kPositionCodes) < 2) {
            bits_.Put(0, 4);
            bits_.Put(uint32_t(std::max(pSingle, 0)), 4);
        } else {
            WriteSmall(pl, kPositionCodes, 4, -1);
        }
        for (const Token& t : tokens) {
            bits_.Put(cc[t.symbol], cl[t.symbol]);
            if (t.symbol >= 256) {
                const unsigned slot = PositionSlot(t.position);
                bits_.Put(pc[slot], pl[slot]);
                if (slot > 1) bits_.Put(t.position - (1u << (slot - 1)), slot - 1);
            }
        }
    }

private:
    static unsigned Used(const uint32_t* f, unsigned n) {
        unsigned u = 0;
        for (unsigned i = 0; i < n; ++i) u += f[i] != 0;
        return u;
    }
    static int SingleSymbol(const uint32_t* f, unsigned n) {
        int found = -1;
        for (unsigned i = 0; i < n; ++i)
            if (f[i]) {
                if (found >= 0) return -1;
                found = int(i);
            }
        return found;
    }

    // The lengths of a small tree: 3 bits each, 7 and more as 7 plus ones
    // ended by a zero; after entry `special`, a 2-bit run of zeros.
    void WriteSmall(const uint8_t* len, unsigned n, unsigned countBits, int special) {
        while (n > 0 && len[n - 1] == 0) --n;
        bits_.Put(n, countBits);
        unsigned i = 0;
        while (i < n) {
            const unsigned k = len[i++];
            if (k <= 6) {
                bits_.Put(k, 3);
            } else {
                bits_.Put(7, 3);
                for (unsigned j = 7; j < k; ++j) bits_.Put(1, 1);
                bits_.Put(0, 1);
            }
            if (int(i) == special) {
                while (i < 6 && len[i] == 0) ++i;
                bits_.Put(i - 3, 2);
            }
        }
    }

    // Walks the literal lengths as the code-length tree sends them.
    template <typename Emit>
    static void WalkLengths(const uint8_t* cl, Emit emit) {
        unsigned n = kLzhufLiterals;
        while (n > 0 && cl[n - 1] == 0) --n;
        unsigned i = 0;
        while (i < n) {
            const unsigned k = cl[i++];
            if (k != 0) {
                emit(k + 2, 0, 0);
                continue;
            }
            unsigned run = 1;
            while (i < n && cl[i] == 0) {
                ++i;
                ++run;
            }
            if (run <= 2) {
                for (unsigned j = 0; j < run; ++j) emit(0, 0, 0);
            } else if (run <= 18) {
                emit(1, run - 3, 4);
            } else if (run == 19) {
                emit(0, 0, 0);
                emit(1, 15, 4);
            } else {
                emit(2, run - 20, 9);
            }
        }
    }

    void WriteLiteralLengths(const uint8_t* cl) {
        uint32_t tf[kLzhufLengthCodes] = {};
        WalkLengths(cl, [&](unsigned sym, unsigned, unsigned) { ++tf[sym]; });
        uint8_t tl[kLzhufLengthCodes];
        uint16_t tc[kLzhufLengthCodes] = {};
        HuffmanLengths(tf, kLzhufLengthCodes, 16, tl);
        CanonicalCodes(tl, kLzhufLengthCodes, tc);
        if (Used(tf, kLzhufLengthCodes) < 2) {
            bits_.Put(0, 5);
            bits_.Put(uint32_t(std::max(SingleSymbol(tf, kLzhufLengthCodes), 0)), 5);
        } else {
            WriteSmall(tl, kLzhufLengthCodes, 5, 3);
        }
        unsigned n = kLzhufLiterals;
        while (n > 0 && cl[n - 1] == 0) --n;
        bits_.Put(n, 9);
        WalkLengths(cl, [&](unsigned sym, unsigned extra, unsigned extraBits) {
            bits_.Put(tc[sym], tl[sym]);
            bits_.Put(extra, extraBits);
        });
    }

    BitSink& bits_;
};

class MatchFinder {
public:
    MatchFinder(const uint8_t* in, size_t size) : in_(in), size_(size), head_(1u << kHashBits, -1), prev_(kWindow, -1) {}

    void Insert(size_t pos) {
        if (pos + kMinMatch > size_) return;
        const unsigned h = Hash(pos);
        prev_[pos & (kWindow - 1)] = head_[h];
        head_[h] = int64_t(pos);
    }

    // Longest match at pos (inserted already) among earlier positions.
    unsigned Find(size_t pos, unsigned& distance, unsigned depth) const {
        const size_t maxLen = std::min<size_t>(kMaxMatch, size_ - pos);
        if (maxLen < kMinMatch) return 0;
        unsigned best = kMinMatch - 1;
        int64_t cand = prev_[pos & (kWindow - 1)];
        const uint8_t* cur = in_ + pos;
        while (cand >= 0 && depth-- > 0) {
            const size_t dist = pos - size_t(cand);
            if (dist > kMaxDistance) break;
            const uint8_t* p = in_ + cand;
            if (p[best] == cur[best] && p[0] == cur[0] && p[1] == cur[1]) {
                unsigned len = 2;
                while (len < maxLen && p[len] == cur[len]) ++len;
                if (len > best) {
                    best = len;
                    distance = unsigned(dist);
                    if (len >= kNiceLength || len == maxLen) break;
                }
            }
            cand = prev_[size_t(cand) & (kWindow - 1)];
        }
        if (best < kMinMatch) return 0;
        // A far 3-byte match costs more than three literals.
        if (best == kMinMatch && distance > 4096) return 0;
        return best;
    }

private:
    unsigned Hash(size_t pos) const {
        const uint32_t v = uint32_t(in_[pos]) << 16 | uint32_t(in_[pos + 1]) << 8 | in_[pos + 2];
        return (v * 2654435761u) >> (32 - kHashBits);
    }
    const uint8_t* in_;
    size_t size_;
    std::vector<int64_t> head_;
    std::vector<int64_t> prev_;
};

}  // namespace

bool EncodeLh5(const uint8_t* in, size_t size, std::vector<uint8_t>& out, size_t limit) {
    const size_t start = out.size();
    BitSink bits(out);
    BlockWriter writer(bits);
    MatchFinder finder(in, size);
    std::vector<Token> tokens;
    tokens.reserve(kBlockTokens);
    auto emit = [&](Token t) {
        tokens.push_back(t);
        if (tokens.size() == kBlockTokens) {
            writer.Write(tokens);
            tokens.clear();
        }
    };
    size_t i = 0;
    unsigned prevLen = 0, prevDist = 0;
    bool pending = false;
    while (i < size) {
        finder.Insert(i);
        unsigned dist = 0, len = 0;
        if (!pending || prevLen < kLazyLimit) len = finder.Find(i, dist, pending ? kChainDepth / 2 : kChainDepth);
        if (pending && prevLen >= kMinMatch && len <= prevLen) {
            emit(Token{uint16_t(253 + prevLen), uint16_t(prevDist - 1)});
            const size_t end = i - 1 + prevLen;
            for (size_t j = i + 1; j < end; ++j) finder.Insert(j);
            i = end;
            pending = false;
            prevLen = 0;
            if (out.size() - start > limit) return false;
            continue;
        }
        if (pending) emit(Token{in[i - 1], 0});
        pending = true;
        prevLen = len;
        prevDist = dist;
        ++i;
        if (out.size() - start > limit) return false;
    }
    if (pending) emit(Token{in[size - 1], 0});
    if (!tokens.empty()) writer.Write(tokens);
    bits.Flush();
    return out.size() - start <= limit;
}

}  // namespace qaz::codecs
