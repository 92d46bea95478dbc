#include "components/codecs/jpeg.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace qaz::codecs {
namespace {

// Position in the block (row-major) of the k-th coefficient in zig-zag
// order. Runs past the 64th coefficient land in slot 64, which is ignored.
constexpr uint8_t kZigzag[80] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13,
    6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31,
    39, 46, 53, 60, 61, 54, 47, 55, 62, 63, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64};

uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// A Huffman table with a nine-bit look-up for the short codes, and for AC
// tables a second look-up that also holds the coefficient when code and
// value bits together fit in those nine bits.
constexpr int kLookBits = 9;
struct Huffman {
    bool defined = false;
    uint16_t fast[1 << kLookBits];  // length << 8 | symbol; 0 for longer codes
    int32_t fastAc[1 << kLookBits];  // value * 256 | run << 4 | bits used; 0 when not a short pair
    int32_t maxCode[18];             // largest code of each length, -1 for none
    int32_t offset[18];              // symbol index minus code, per length
    uint8_t symbols[256];
};

bool BuildHuffman(const uint8_t* counts, const uint8_t* symbols, int total, bool ac, Huffman& h) {
    std::memset(h.fast, 0, sizeof h.fast);
    std::memset(h.symbols, 0, sizeof h.symbols);
    std::memset(h.fastAc, 0, sizeof h.fastAc);
    std::memcpy(h.symbols, symbols, static_cast<size_t>(total));
    int32_t code = 0;
    int index = 0;
    for (int len = 1; len <= 16; ++len) {
        const int n = counts[len - 1];
        if (code + n > (1 << len)) return false;  // more codes than the length allows
        h.offset[len] = index - code;
        h.maxCode[len] = n ? code + n - 1 : -1;
        for (int i = 0; i < n; ++i, ++code, ++index) {
            if (len > kLookBits) continue;
            const int shift = kLookBits - len;
            for (int fill = 0; fill < (1 << shift); ++fill) {
                const int look = (code << shift) | fill;
                const uint8_t sym = symbols[index];
                h.fast[look] = static_cast<uint16_t>(len << 8 | sym);
                const int run = sym >> 4, bits = sym & 15;
                if (!ac || bits == 0 || len + bits > kLookBits) continue;
                int value = (look >> (shift - bits)) & ((1 << bits) - 1);
                if (value < (1 << (bits - 1))) value -= (1 << bits) - 1;
                h.fastAc[look] = value * 256 | run << 4 | (len + bits);
            }
        }
        code <<= 1;
    }
    h.maxCode[17] = 0x7FFFFFFF;
    h.offset[17] = 0;
    h.defined = true;
    return true;
}

// The entropy-coded bits of a scan, MSB first, with the stuffed zero after
// each 0xFF removed. At a marker or the end it feeds zeros and counts them.
class BitReader {
public:
    BitReader() = default;
    BitReader(const uint8_t* data, size_t size, size_t pos) : data_(data), size_(size), pos_(pos) {}

    size_t Position() const { return pos_; }
    // True once the decoding has used bits that the data did not have.
    bool Overrun() const { return count_ < phantom_; }

    // At least 25 bits in the buffer afterwards.
    void Fill() {
        while (count_ <= 24) {
            uint32_t byte;
            if (pos_ < limit_ && (byte = data_[pos_]) != 0xFF) {
                ++pos_;
            } else {
                byte = SpecialByte();
            }
            bits_ |= byte << (24 - count_);
            count_ += 8;
        }
    }

    // At least 16 bits: refills less often than Fill, a few bytes at a time.
    void Ensure16() {
        if (count_ < 16) Fill();
    }

    uint32_t Peek(int n) const { return bits_ >> (32 - n); }
    void Skip(int n) {
        bits_ <<= n;
        count_ -= n;
    }
    int Bit() {
        Fill();
        const int b = static_cast<int>(bits_ >> 31);
        Skip(1);
        return b;
    }
    // n (0-16) raw bits.
    int Bits(int n) {
        if (n == 0) return 0;
        Fill();
        const int v = static_cast<int>(Peek(n));
        Skip(n);
        return v;
    }
    // n value bits of a coefficient, sign-extended as T.81 F.2.2.1 says.
    int Receive(int n) {
        if (n == 0) return 0;
        return Extend(Bits(n), n);
    }
    // The same for n of 1-16.
    int ReceiveSome(int n) {
        if (count_ < n) Fill();
        const int v = static_cast<int>(Peek(n));
        Skip(n);
        return Extend(v, n);
    }
    static int Extend(int v, int n) { return v < (1 << (n - 1)) ? v - ((1 << n) - 1) : v; }
    int Decode(const Huffman& h) {
        Fill();
        return DecodeFilled(h);
    }
    // The same with at least 16 bits in the buffer.
    int DecodeFilled(const Huffman& h) {
        const uint16_t e = h.fast[Peek(kLookBits)];
        if (e) {
            Skip(e >> 8);
            return e & 0xFF;
        }
        for (int len = kLookBits + 1; len <= 16; ++len) {
            const int32_t code = static_cast<int32_t>(Peek(len));
            if (code <= h.maxCode[len]) {
                Skip(len);
                return h.symbols[(h.offset[len] + code) & 0xFF];
            }
        }
        Skip(16);  // no such code: the data is damaged
        return 0;
    }

    // At a restart interval's end: drop the padding bits and step over the
    // RSTn marker, or stop in front of any other marker.
    void Restart() {
        bits_ = 0;
        count_ = 0;
        phantom_ = 0;
        limit_ = size_;
        while (pos_ + 1 < size_) {
            if (data_[pos_] == 0xFF && data_[pos_ + 1] != 0 && data_[pos_ + 1] != 0xFF) {
                if (data_[pos_ + 1] >= 0xD0 && data_[pos_ + 1] <= 0xD7) pos_ += 2;
                return;
            }
            ++pos_;
        }
    }

    // Where the markers after the scan begin.
    size_t End() {
        while (pos_ + 1 < size_ && !(data_[pos_] == 0xFF && data_[pos_ + 1] != 0 && data_[pos_ + 1] != 0xFF)) ++pos_;
        return pos_;
    }

private:
    // A 0xFF byte, a marker or the end of the data: the stuffed byte's
    // value, or a zero byte that counts as missing (and no more reads).
    uint32_t SpecialByte() {
        if (pos_ < limit_ && pos_ + 1 < size_ && data_[pos_ + 1] == 0) {
            pos_ += 2;
            return 0xFF;
        }
        limit_ = 0;
        phantom_ += 8;
        return 0;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    size_t limit_ = size_;  // size_, or 0 once a marker or the end is reached
    uint32_t bits_ = 0;
    int count_ = 0;
    int phantom_ = 0;
};

// The accurate integer inverse DCT (Loeffler, Ligtenberg and Moschytz's
// factorisation, 13-bit constants, two extra bits kept between the passes).
// Arithmetic is done modulo 2^32 so that a forged block cannot overflow.
using U = uint32_t;
constexpr int kConstBits = 13, kPass1Bits = 2;
constexpr U Fix(double x) { return static_cast<U>(static_cast<int32_t>(x * (1 << kConstBits) + 0.5)); }
constexpr U k0298 = Fix(0.298631336), k0390 = Fix(0.390180644), k0541 = Fix(0.541196100), k0765 = Fix(0.765366865),
            k0899 = Fix(0.899976223), k1175 = Fix(1.175875602), k1501 = Fix(1.501321110), k1847 = Fix(1.847759065),
            k1961 = Fix(1.961570560), k2053 = Fix(2.053119869), k2562 = Fix(2.562915447), k3072 = Fix(3.072711026);

int32_t Descale(U x, int n) { return static_cast<int32_t>(x + (U{1} << (n - 1))) >> n; }

// One 1-D pass over eight values in[0], in[step], ...: writes the even and
// odd halves' sums into t (t[i] and t[7 - i] are out[i] before descaling).
inline void Idct1D(U i0, U i1, U i2, U i3, U i4, U i5, U i6, U i7, U* t) {
    const U z1 = (i2 + i6) * k0541;
    const U e2 = z1 - i6 * k1847, e3 = z1 + i2 * k0765;
    const U e0 = (i0 + i4) << kConstBits, e1 = (i0 - i4) << kConstBits;
    const U t10 = e0 + e3, t13 = e0 - e3, t11 = e1 + e2, t12 = e1 - e2;
    U o0 = i7, o1 = i5, o2 = i3, o3 = i1;
    U a1 = o0 + o3, a2 = o1 + o2, a3 = o0 + o2, a4 = o1 + o3;
    const U z5 = (a3 + a4) * k1175;
    o0 *= k0298;
    o1 *= k2053;
    o2 *= k3072;
    o3 *= k1501;
    a1 *= U(0) - k0899;
    a2 *= U(0) - k2562;
    a3 = a3 * (U(0) - k1961) + z5;
    a4 = a4 * (U(0) - k0390) + z5;
    o0 += a1 + a3;
    o1 += a2 + a4;
    o2 += a2 + a3;
    o3 += a1 + a4;
    t[0] = t10 + o3;
    t[7] = t10 - o3;
    t[1] = t11 + o2;
    t[6] = t11 - o2;
    t[2] = t12 + o1;
    t[5] = t12 - o1;
    t[3] = t13 + o0;
    t[4] = t13 - o0;
}

inline uint8_t Clamp(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// in: the dequantized block in row-major order, cleared on the way.
void Idct(int32_t* in, uint8_t* out, ptrdiff_t stride) {
    int32_t ws[64];
    U t[8];
    for (int c = 0; c < 8; ++c) {
        const int32_t* col = in + c;
        if ((col[8] | col[16] | col[24] | col[32] | col[40] | col[48] | col[56]) == 0) {
            const int32_t dc = static_cast<int32_t>(static_cast<U>(col[0]) << kPass1Bits);
            for (int r = 0; r < 8; ++r) ws[r * 8 + c] = dc;
            continue;
        }
        Idct1D(U(col[0]), U(col[8]), U(col[16]), U(col[24]), U(col[32]), U(col[40]), U(col[48]), U(col[56]), t);
        for (int r = 0; r < 8; ++r) ws[r * 8 + c] = Descale(t[r], kConstBits - kPass1Bits);
    }
    constexpr int kShift = kConstBits + kPass1Bits + 3;
    for (int r = 0; r < 8; ++r, out += stride) {
        const int32_t* row = ws + r * 8;
        if ((row[1] | row[2] | row[3] | row[4] | row[5] | row[6] | row[7]) == 0) {
            const uint8_t v = Clamp(Descale(U(row[0]), kPass1Bits + 3) + 128);
            std::memset(out, v, 8);
            continue;
        }
        Idct1D(U(row[0]), U(row[1]), U(row[2]), U(row[3]), U(row[4]), U(row[5]), U(row[6]), U(row[7]), t);
        for (int i = 0; i < 8; ++i) out[i] = Clamp(Descale(t[i], kShift) + 128);
    }
    std::memset(in, 0, 64 * sizeof *in);
}

#if defined(__i386__) || defined(__x86_64__)
#define QAZ_JPEG_SSE2 1
// The same inverse DCT on eight columns (then eight rows) at once with
// SSE2. Each 1-D pass is regrouped into pairs of inputs times pairs of
// constants, which pmaddwd sums in 32 bits: the results are the scalar
// pass's bit for bit while the values fit 16 bits, as they do in every
// picture an encoder made (a forged block saturates instead of wrapping).
#define QAZ_SSE2 __attribute__((target("sse2")))

QAZ_SSE2 inline __m128i Pair(int a, int b) {
    return _mm_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(b) << 16) | static_cast<uint16_t>(a)));
}

// One 1-D pass over v[0..7] (each eight 16-bit lanes); the results are
// descaled by `shift` with `bias` added before, and packed back to 16 bits.
QAZ_SSE2 inline void Idct8(__m128i* v, int shift, int32_t bias) {
    const int c0541 = static_cast<int>(k0541), c0765 = static_cast<int>(k0765), c1847 = static_cast<int>(k1847);
    const int c0298 = static_cast<int>(k0298), c0390 = static_cast<int>(k0390), c0899 = static_cast<int>(k0899),
              c1175 = static_cast<int>(k1175), c1501 = static_cast<int>(k1501), c1961 = static_cast<int>(k1961),
              c2053 = static_cast<int>(k2053), c2562 = static_cast<int>(k2562), c3072 = static_cast<int>(k3072);
    const __m128i round = _mm_set1_epi32(bias);
    const __m128i p26[2] = {_mm_unpacklo_epi16(v[2], v[6]), _mm_unpackhi_epi16(v[2], v[6])};
    const __m128i p04[2] = {_mm_unpacklo_epi16(v[0], v[4]), _mm_unpackhi_epi16(v[0], v[4])};
    const __m128i p35[2] = {_mm_unpacklo_epi16(v[3], v[5]), _mm_unpackhi_epi16(v[3], v[5])};
    const __m128i p17[2] = {_mm_unpacklo_epi16(v[1], v[7]), _mm_unpackhi_epi16(v[1], v[7])};
    __m128i out[8][2];
    for (int h = 0; h < 2; ++h) {
        const __m128i e3 = _mm_madd_epi16(p26[h], Pair(c0541 + c0765, c0541));
        const __m128i e2 = _mm_madd_epi16(p26[h], Pair(c0541, c0541 - c1847));
        const __m128i e0 = _mm_add_epi32(_mm_madd_epi16(p04[h], Pair(1 << kConstBits, 1 << kConstBits)), round);
        const __m128i e1 = _mm_add_epi32(_mm_madd_epi16(p04[h], Pair(1 << kConstBits, -(1 << kConstBits))), round);
        const __m128i t10 = _mm_add_epi32(e0, e3), t13 = _mm_sub_epi32(e0, e3);
        const __m128i t11 = _mm_add_epi32(e1, e2), t12 = _mm_sub_epi32(e1, e2);
        const __m128i z3 = _mm_add_epi32(_mm_madd_epi16(p35[h], Pair(c1175 - c1961, c1175)),
                                         _mm_madd_epi16(p17[h], Pair(c1175, c1175 - c1961)));
        const __m128i z4 = _mm_add_epi32(_mm_madd_epi16(p35[h], Pair(c1175, c1175 - c0390)),
                                         _mm_madd_epi16(p17[h], Pair(c1175 - c0390, c1175)));
        const __m128i o0 = _mm_add_epi32(_mm_madd_epi16(p17[h], Pair(-c0899, c0298 - c0899)), z3);
        const __m128i o3 = _mm_add_epi32(_mm_madd_epi16(p17[h], Pair(c1501 - c0899, -c0899)), z4);
        const __m128i o1 = _mm_add_epi32(_mm_madd_epi16(p35[h], Pair(-c2562, c2053 - c2562)), z4);
        const __m128i o2 = _mm_add_epi32(_mm_madd_epi16(p35[h], Pair(c3072 - c2562, -c2562)), z3);
        out[0][h] = _mm_srai_epi32(_mm_add_epi32(t10, o3), shift);
        out[7][h] = _mm_srai_epi32(_mm_sub_epi32(t10, o3), shift);
        out[1][h] = _mm_srai_epi32(_mm_add_epi32(t11, o2), shift);
        out[6][h] = _mm_srai_epi32(_mm_sub_epi32(t11, o2), shift);
        out[2][h] = _mm_srai_epi32(_mm_add_epi32(t12, o1), shift);
        out[5][h] = _mm_srai_epi32(_mm_sub_epi32(t12, o1), shift);
        out[3][h] = _mm_srai_epi32(_mm_add_epi32(t13, o0), shift);
        out[4][h] = _mm_srai_epi32(_mm_sub_epi32(t13, o0), shift);
    }
    for (int i = 0; i < 8; ++i) v[i] = _mm_packs_epi32(out[i][0], out[i][1]);
}

QAZ_SSE2 inline void Transpose(__m128i* v) {
    const __m128i a0 = _mm_unpacklo_epi16(v[0], v[1]), a1 = _mm_unpackhi_epi16(v[0], v[1]);
    const __m128i a2 = _mm_unpacklo_epi16(v[2], v[3]), a3 = _mm_unpackhi_epi16(v[2], v[3]);
    const __m128i a4 = _mm_unpacklo_epi16(v[4], v[5]), a5 = _mm_unpackhi_epi16(v[4], v[5]);
    const __m128i a6 = _mm_unpacklo_epi16(v[6], v[7]), a7 = _mm_unpackhi_epi16(v[6], v[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    v[0] = _mm_unpacklo_epi64(b0, b4);
    v[1] = _mm_unpackhi_epi64(b0, b4);
    v[2] = _mm_unpacklo_epi64(b1, b5);
    v[3] = _mm_unpackhi_epi64(b1, b5);
    v[4] = _mm_unpacklo_epi64(b2, b6);
    v[5] = _mm_unpackhi_epi64(b2, b6);
    v[6] = _mm_unpacklo_epi64(b3, b7);
    v[7] = _mm_unpackhi_epi64(b3, b7);
}

// The two passes over the rows of a block saturated to 16 bits, and the
// samples out.
QAZ_SSE2 inline void IdctRows(__m128i* v, uint8_t* out, ptrdiff_t stride) {
    constexpr int kPass1Shift = kConstBits - kPass1Bits, kPass2Shift = kConstBits + kPass1Bits + 3;
    Idct8(v, kPass1Shift, 1 << (kPass1Shift - 1));
    Transpose(v);
    Idct8(v, kPass2Shift, (1 << (kPass2Shift - 1)) + (128 << kPass2Shift));
    Transpose(v);
    for (int r = 0; r < 8; r += 2, out += 2 * stride) {
        const __m128i bytes = _mm_packus_epi16(v[r], v[r + 1]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + stride), _mm_srli_si128(bytes, 8));
    }
}

QAZ_SSE2 void IdctSse2(int32_t* in, uint8_t* out, ptrdiff_t stride) {
    __m128i v[8];
    for (int r = 0; r < 8; ++r) {
        auto* p = reinterpret_cast<__m128i*>(in + r * 8);
        v[r] = _mm_packs_epi32(_mm_loadu_si128(p), _mm_loadu_si128(p + 1));
        _mm_storeu_si128(p, _mm_setzero_si128());
        _mm_storeu_si128(p + 1, _mm_setzero_si128());
    }
    IdctRows(v, out, stride);
}

// A stored block: each coefficient times its factor, the exact product
// saturated to 16 bits as the dequantized block would be.
QAZ_SSE2 void IdctSse2Stored(const int16_t* in, const uint16_t* quant, uint8_t* out, ptrdiff_t stride) {
    __m128i v[8];
    for (int r = 0; r < 8; ++r) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + r * 8));
        const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(quant + r * 8));
        // Signed times unsigned: the unsigned high half, less q where c < 0.
        const __m128i lo = _mm_mullo_epi16(c, q);
        const __m128i hi = _mm_sub_epi16(_mm_mulhi_epu16(c, q), _mm_and_si128(q, _mm_srai_epi16(c, 15)));
        v[r] = _mm_packs_epi32(_mm_unpacklo_epi16(lo, hi), _mm_unpackhi_epi16(lo, hi));
    }
    IdctRows(v, out, stride);
}

// Sixteen pixels from three planes (c0 first in memory) into 48 bytes of
// 24-bit pixels.
QAZ_SSE2 inline void Store24(uint8_t* dst, __m128i c0, __m128i c1, __m128i c2) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo01 = _mm_unpacklo_epi8(c0, c1), hi01 = _mm_unpackhi_epi8(c0, c1);
    const __m128i lo2 = _mm_unpacklo_epi8(c2, zero), hi2 = _mm_unpackhi_epi8(c2, zero);
    __m128i px[4] = {_mm_unpacklo_epi16(lo01, lo2), _mm_unpackhi_epi16(lo01, lo2), _mm_unpacklo_epi16(hi01, hi2),
                     _mm_unpackhi_epi16(hi01, hi2)};
    // Four 4-byte pixels to 12 bytes: first within each half, then the halves.
    const __m128i low3 = _mm_set1_epi64x(0xFFFFFF), next3 = _mm_set1_epi64x(0xFFFFFF000000);
    const __m128i first6 = _mm_set_epi32(0, 0, 0xFFFF, static_cast<int>(0xFFFFFFFF));
    for (__m128i& v : px) {
        const __m128i q = _mm_or_si128(_mm_and_si128(v, low3), _mm_and_si128(_mm_srli_epi64(v, 8), next3));
        v = _mm_or_si128(_mm_and_si128(q, first6), _mm_andnot_si128(first6, _mm_srli_si128(q, 2)));
    }
    auto* out = reinterpret_cast<__m128i*>(dst);
    _mm_storeu_si128(out, _mm_or_si128(px[0], _mm_slli_si128(px[1], 12)));
    _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(px[1], 4), _mm_slli_si128(px[2], 8)));
    _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(px[2], 8), _mm_slli_si128(px[3], 4)));
}

// (x * c + 32768) >> 16 for eight 16-bit x, as 16-bit results.
QAZ_SSE2 inline __m128i MulRound(__m128i x, int c) {
    const __m128i two = _mm_set1_epi16(2), k = Pair(c, 16384);
    const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(x, two), k), hi = _mm_madd_epi16(_mm_unpackhi_epi16(x, two), k);
    return _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16));
}

// The colour conversion of eight pixels (16-bit lanes), with the same
// results as the tables below: 1.402 is 1 + 26345 / 65536, 1.772 is
// 2 - 14942 / 65536, and the green sum's 0.71414 is 1 - 18734 / 65536.
QAZ_SSE2 inline void YccToRgb8(__m128i y, __m128i cb, __m128i cr, __m128i& r, __m128i& g, __m128i& b) {
    const __m128i half = _mm_set1_epi16(128);
    cb = _mm_sub_epi16(cb, half);
    cr = _mm_sub_epi16(cr, half);
    r = _mm_add_epi16(_mm_add_epi16(y, cr), MulRound(cr, 26345));
    b = _mm_add_epi16(_mm_add_epi16(y, _mm_add_epi16(cb, cb)), MulRound(cb, -14942));
    const __m128i k = Pair(-22554, 18734), round = _mm_set1_epi32(32768);
    const __m128i lo = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(cb, cr), k), round);
    const __m128i hi = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(cb, cr), k), round);
    g = _mm_sub_epi16(_mm_add_epi16(y, _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16))), cr);
}

// Whole groups of sixteen pixels of one row; returns how many were done.
// c1 and c2 are null for grey; rgb: the samples are R, G, B already.
QAZ_SSE2 int RowSse2(const uint8_t* c0, const uint8_t* c1, const uint8_t* c2, bool rgb, bool bgr, uint8_t* dst,
                     int width) {
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 16 <= width; x += 16, dst += 48) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c0 + x));
        if (!c1) {
            Store24(dst, a, a, a);
            continue;
        }
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c1 + x));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c2 + x));
        if (rgb) {
            bgr ? Store24(dst, c, b, a) : Store24(dst, a, b, c);
            continue;
        }
        __m128i r[2], g[2], bl[2];
        YccToRgb8(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero), r[0], g[0], bl[0]);
        YccToRgb8(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero), r[1], g[1], bl[1]);
        const __m128i rr = _mm_packus_epi16(r[0], r[1]), gg = _mm_packus_epi16(g[0], g[1]),
                      bb = _mm_packus_epi16(bl[0], bl[1]);
        bgr ? Store24(dst, bb, gg, rr) : Store24(dst, rr, gg, bb);
    }
    return x;
}

// Eight samples from `at` as 16-bit sums: 3 x row + far, or 4 x row.
QAZ_SSE2 inline __m128i ColumnSums(const uint8_t* row, const uint8_t* far, int at) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i r = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + at)), zero);
    if (!far) return _mm_slli_epi16(r, 2);
    const __m128i f = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(far + at)), zero);
    return _mm_add_epi16(_mm_add_epi16(r, _mm_add_epi16(r, r)), f);
}

// A component halved across: the output pairs 2x, 2x + 1 for x from 1
// while x + 8 < cw, eight at a time, each (3 x sum[x] + sum[x -+ 1] +
// bias) >> 4 of the column sums; returns the first x not done.
QAZ_SSE2 int WidenSse2(const uint8_t* row, const uint8_t* far, int cw, int evenBias, int oddBias, uint8_t* buf) {
    const __m128i even = _mm_set1_epi16(static_cast<int16_t>(evenBias)), odd = _mm_set1_epi16(static_cast<int16_t>(oddBias));
    int x = 1;
    for (; x + 8 < cw; x += 8) {
        const __m128i here = ColumnSums(row, far, x), three = _mm_add_epi16(here, _mm_add_epi16(here, here));
        const __m128i e = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(three, ColumnSums(row, far, x - 1)), even), 4);
        const __m128i o = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(three, ColumnSums(row, far, x + 1)), odd), 4);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(buf + 2 * x),
                         _mm_unpacklo_epi8(_mm_packus_epi16(e, e), _mm_packus_epi16(o, o)));
    }
    return x;
}

bool HasSse2() {
#if defined(__x86_64__)
    return true;
#else
    static const bool has = __builtin_cpu_supports("sse2");
    return has;
#endif
}
#endif

bool plainCode = false;

bool UseSse2() {
#ifdef QAZ_JPEG_SSE2
    return !plainCode && HasSse2();
#else
    return false;
#endif
}

// Both clear the block they read.
void InverseDct(int32_t* in, uint8_t* out, ptrdiff_t stride) {
#ifdef QAZ_JPEG_SSE2
    if (UseSse2()) return IdctSse2(in, out, stride);
#endif
    Idct(in, out, stride);
}

void FillBlock(int32_t dc, uint8_t* out, ptrdiff_t stride) {
    const uint8_t v = Clamp(Descale(U(dc), 3) + 128);
    for (int r = 0; r < 8; ++r, out += stride) std::memset(out, v, 8);
}

// YCbCr to RGB as JFIF defines it, in 16-bit fixed point.
struct ColorTables {
    int32_t crR[256], cbB[256], crG[256], cbG[256];
    uint8_t limit[1024];  // limit[v + 384]: v clamped to 0-255
    ColorTables() {
        for (int v = -384; v < 640; ++v) limit[v + 384] = Clamp(v);
        for (int i = 0; i < 256; ++i) {
            const int32_t x = i - 128;
            crR[i] = (91881 * x + 32768) >> 16;   // 1.402
            cbB[i] = (116130 * x + 32768) >> 16;  // 1.772
            crG[i] = -46802 * x;                  // 0.71414
            cbG[i] = -22554 * x + 32768;          // 0.34414
        }
    }
};
const ColorTables& Colors() {
    static const ColorTables tables;
    return tables;
}

struct Component {
    int id = 0, h = 1, v = 1, tq = 0;
    int dcTable = 0, acTable = 0;
    int hs = 1, vs = 1;              // upsampling factors
    int width = 0, height = 0;       // samples the picture has in this component
    int blocksW = 0, blocksH = 0;    // blocks held, padded to whole MCUs
    int32_t dcPred = 0;
    bool quantLatched = false;
    uint16_t quant[65] = {};         // row-major, slot 64 zero
    std::vector<int16_t> coefs;      // every block, in progressive or multi-scan files
    std::vector<uint8_t> plane[2];   // the samples of one MCU row: current and next
    std::vector<uint8_t> above;      // the last sample row of the previous MCU row
};

class Decoder {
public:
    Decoder(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    DecodeStatus Header(JpegHeader& header) {
        const DecodeStatus s = ReadUpToScan(true);
        if (s != DecodeStatus::Ok) return s;
        header = header_;
        return DecodeStatus::Ok;
    }

    DecodeStatus Decode(const JpegRows& rows, JpegOrder order) {
        DecodeStatus s = ReadUpToScan(false);
        if (s != DecodeStatus::Ok) return s;
        bgr_ = order == JpegOrder::Bgr;
        out_ = rows(header_, stride_);
        if (!out_) return DecodeStatus::TooLarge;
        for (int c = 0; c < ncomp_; ++c) {
            Component& k = comp_[c];
            const size_t planeBytes = size_t{static_cast<uint32_t>(k.blocksW)} * 8 * static_cast<size_t>(k.v) * 8;
            k.plane[0].assign(planeBytes, 0);
            k.plane[1].assign(planeBytes, 0);
            k.above.assign(size_t{static_cast<uint32_t>(k.blocksW)} * 8, 0);
        }
        for (int i = 0; i < 3; ++i) upsampled_[i].assign(size_t{static_cast<uint32_t>(mcusX_)} * hmax_ * 8 + 16, 0);
        // One interleaved sequential scan of every component, the usual
        // case, is decoded an MCU row at a time straight into the rows.
        if (!progressive_ && scanCount_ == ncomp_) {
            stream_ = true;
            reader_ = BitReader(data_, size_, pos_);
            restartsLeft_ = restartInterval_;
            for (int c = 0; c < ncomp_; ++c) comp_[c].dcPred = 0;
            Output();
            return streamDone_ ? DecodeStatus::Corrupt : DecodeStatus::Ok;
        }
        for (int c = 0; c < ncomp_; ++c) {
            Component& k = comp_[c];
            size_t n = 0;
            if (!CheckedSize(static_cast<uint32_t>(k.blocksW) * 8u, static_cast<uint32_t>(k.blocksH) * 8u, 2, n))
                return DecodeStatus::TooLarge;
            k.coefs.assign(n, 0);
        }
        do {
            DecodeScan();
        } while (ReadUpToScan(false) == DecodeStatus::Ok);
        if (truncated_ || !sawEnd_) return DecodeStatus::Corrupt;
        Output();
        return DecodeStatus::Ok;
    }

private:
    // Reads markers from the current position up to the next scan header
    // (included). With headerOnly, stops after the frame header.
    DecodeStatus ReadUpToScan(bool headerOnly) {
        if (pos_ == 0) {
            if (size_ < 4 || data_[0] != 0xFF || data_[1] != 0xD8) return DecodeStatus::NotThisFormat;
            pos_ = 2;
        }
        for (;;) {
            while (pos_ < size_ && data_[pos_] != 0xFF) ++pos_;  // tolerate junk between segments
            while (pos_ < size_ && data_[pos_] == 0xFF) ++pos_;
            if (pos_ >= size_) return DecodeStatus::Corrupt;
            const uint8_t marker = data_[pos_++];
            if (marker == 0xD9) {  // EOI: no further scan
                sawEnd_ = true;
                return DecodeStatus::Corrupt;
            }
            if (marker >= 0xD0 && marker <= 0xD7) continue;    // stray RSTn
            if (marker == 0x01) continue;
            if (pos_ + 2 > size_) return DecodeStatus::Corrupt;
            const size_t length = Be16(data_ + pos_);
            if (length < 2 || pos_ + length > size_) return DecodeStatus::Corrupt;
            const uint8_t* seg = data_ + pos_ + 2;
            const size_t n = length - 2;
            pos_ += length;
            DecodeStatus s = DecodeStatus::Ok;
            switch (marker) {
                case 0xC0:
                case 0xC1:
                case 0xC2:
                    if (frame_) return DecodeStatus::Corrupt;
                    s = Frame(seg, n, marker == 0xC2);
                    if (s == DecodeStatus::Ok && headerOnly) return DecodeStatus::Ok;
                    break;
                case 0xC3: case 0xC5: case 0xC6: case 0xC7: case 0xC9: case 0xCA: case 0xCB:
                case 0xCD: case 0xCE: case 0xCF:
                    return DecodeStatus::Unsupported;
                case 0xC4: s = Tables(seg, n); break;
                case 0xCC: return DecodeStatus::Unsupported;  // arithmetic conditioning
                case 0xDB: s = Quant(seg, n); break;
                case 0xDD:
                    if (n < 2) return DecodeStatus::Corrupt;
                    restartInterval_ = Be16(seg);
                    break;
                case 0xDA:
                    if (!frame_) return DecodeStatus::Corrupt;
                    return Scan(seg, n);
                case 0xE0:
                    if (n >= 12 && std::memcmp(seg, "JFIF\0", 5) == 0) {
                        jfif_ = true;
                        const uint16_t x = Be16(seg + 8), y = Be16(seg + 10);
                        if (x && y) header_.xDensity = x, header_.yDensity = y;
                    }
                    break;
                case 0xEE:
                    if (n >= 12 && std::memcmp(seg, "Adobe", 5) == 0) adobe_ = seg[11];
                    break;
                default: break;
            }
            if (s != DecodeStatus::Ok) return s;
        }
    }

    DecodeStatus Frame(const uint8_t* p, size_t n, bool progressive) {
        if (n < 6) return DecodeStatus::Corrupt;
        if (p[0] != 8) return DecodeStatus::Unsupported;
        const int height = Be16(p + 1), width = Be16(p + 3), count = p[5];
        if (height == 0) return DecodeStatus::Unsupported;  // height given by a later DNL marker
        if (width == 0) return DecodeStatus::Corrupt;
        if (count != 1 && count != 3) return DecodeStatus::Unsupported;
        if (n < 6 + size_t{3} * count) return DecodeStatus::Corrupt;
        size_t pixels = 0;
        if (!CheckedSize(static_cast<uint32_t>(width), static_cast<uint32_t>(height), 3, pixels))
            return DecodeStatus::TooLarge;
        ncomp_ = count;
        hmax_ = vmax_ = 1;
        for (int c = 0; c < count; ++c) {
            Component& k = comp_[c];
            k.id = p[6 + c * 3];
            k.h = p[7 + c * 3] >> 4;
            k.v = p[7 + c * 3] & 15;
            k.tq = p[8 + c * 3];
            if (k.h < 1 || k.h > 4 || k.v < 1 || k.v > 4 || k.tq > 3) return DecodeStatus::Corrupt;
            if (count == 1) k.h = k.v = 1;  // one component: its block grid is the picture's
            hmax_ = std::max(hmax_, k.h);
            vmax_ = std::max(vmax_, k.v);
        }
        mcusX_ = (width + hmax_ * 8 - 1) / (hmax_ * 8);
        mcusY_ = (height + vmax_ * 8 - 1) / (vmax_ * 8);
        for (int c = 0; c < count; ++c) {
            Component& k = comp_[c];
            if (hmax_ % k.h || vmax_ % k.v) return DecodeStatus::Unsupported;
            k.hs = hmax_ / k.h;
            k.vs = vmax_ / k.v;
            k.width = (width * k.h + hmax_ - 1) / hmax_;
            k.height = (height * k.v + vmax_ - 1) / vmax_;
            k.blocksW = mcusX_ * k.h;
            k.blocksH = mcusY_ * k.v;
        }
        progressive_ = progressive;
        header_.width = width;
        header_.height = height;
        header_.components = count;
        header_.progressive = progressive;
        frame_ = true;
        return DecodeStatus::Ok;
    }

    DecodeStatus Tables(const uint8_t* p, size_t n) {
        while (n > 0) {
            if (n < 17) return DecodeStatus::Corrupt;
            const int tc = p[0] >> 4, th = p[0] & 15;
            if (tc > 1 || th > 3) return DecodeStatus::Corrupt;
            int total = 0;
            for (int i = 0; i < 16; ++i) total += p[1 + i];
            if (total > 256 || n < 17 + size_t(total)) return DecodeStatus::Corrupt;
            if (!BuildHuffman(p + 1, p + 17, total, tc == 1, tc ? ac_[th] : dc_[th])) return DecodeStatus::Corrupt;
            p += 17 + total;
            n -= 17 + size_t(total);
        }
        return DecodeStatus::Ok;
    }

    DecodeStatus Quant(const uint8_t* p, size_t n) {
        while (n > 0) {
            const int pq = p[0] >> 4, tq = p[0] & 15;
            const size_t bytes = 1 + 64 * size_t(pq + 1);
            if (pq > 1 || tq > 3 || n < bytes) return DecodeStatus::Corrupt;
            for (int k = 0; k < 64; ++k)
                quant_[tq][kZigzag[k]] = pq ? Be16(p + 1 + 2 * k) : p[1 + k];
            quantDefined_[tq] = true;
            p += bytes;
            n -= bytes;
        }
        return DecodeStatus::Ok;
    }

    DecodeStatus Scan(const uint8_t* p, size_t n) {
        if (n < 1) return DecodeStatus::Corrupt;
        const int count = p[0];
        if (count < 1 || count > 4 || n < 4 + size_t{2} * count) return DecodeStatus::Corrupt;
        scanCount_ = count;
        for (int i = 0; i < count; ++i) {
            const int id = p[1 + 2 * i];
            int c = 0;
            while (c < ncomp_ && comp_[c].id != id) ++c;
            if (c == ncomp_) return DecodeStatus::Corrupt;
            for (int j = 0; j < i; ++j)
                if (scanComp_[j] == c) return DecodeStatus::Corrupt;
            scanComp_[i] = c;
            Component& k = comp_[c];
            k.dcTable = p[2 + 2 * i] >> 4;
            k.acTable = p[2 + 2 * i] & 15;
            if (k.dcTable > 3 || k.acTable > 3) return DecodeStatus::Corrupt;
            if (!k.quantLatched) {
                if (!quantDefined_[k.tq]) return DecodeStatus::Corrupt;
                std::memcpy(k.quant, quant_[k.tq], sizeof k.quant);
                k.quantLatched = true;
            }
        }
        const uint8_t* q = p + 1 + 2 * count;
        ss_ = q[0];
        se_ = q[1];
        ah_ = q[2] >> 4;
        al_ = q[2] & 15;
        if (progressive_) {
            if (ss_ > 63 || se_ > 63 || ss_ > se_ || al_ > 13 || ah_ > 13) return DecodeStatus::Corrupt;
            if (ss_ == 0 && se_ != 0) return DecodeStatus::Corrupt;
            if (ss_ > 0 && count != 1) return DecodeStatus::Corrupt;
        } else {
            ss_ = 0, se_ = 63, ah_ = al_ = 0;
        }
        for (int i = 0; i < count; ++i) {
            const Component& k = comp_[scanComp_[i]];
            const bool needDc = ss_ == 0 && ah_ == 0, needAc = !progressive_ || ss_ > 0;
            if ((needDc && !dc_[k.dcTable].defined) || (needAc && !ac_[k.acTable].defined))
                return DecodeStatus::Corrupt;
        }
        return DecodeStatus::Ok;
    }

    // ---- entropy decoding ----

    // A sequential block, dequantized into blk (zero on entry); returns
    // whether any AC coefficient is set. The bit reader works on a local
    // copy, which the compiler can keep in registers.
    bool SequentialBlock(Component& k, int32_t* blk) {
        BitReader r = reader_;
        const Huffman& ac = ac_[k.acTable];
        const uint16_t* quant = k.quant;
        int t = r.Decode(dc_[k.dcTable]);
        if (t > 16) t = 0;
        k.dcPred += t ? r.ReceiveSome(t) : 0;
        blk[0] = static_cast<int32_t>(static_cast<U>(k.dcPred) * quant[0]);
        bool any = false;
        for (int i = 1; i < 64; ++i) {
            r.Ensure16();
            const int32_t e = ac.fastAc[r.Peek(kLookBits)];
            if (e) {  // code and value in one look-up
                r.Skip(e & 15);
                i += (e >> 4) & 15;
                const int pos = kZigzag[i];
                blk[pos] = (e >> 8) * quant[pos];
            } else {
                const int rs = r.DecodeFilled(ac);
                const int s = rs & 15;
                if (s == 0) {
                    if (rs != 0xF0) break;  // end of block
                    i += 15;
                    continue;
                }
                i += rs >> 4;
                const int pos = kZigzag[i];
                blk[pos] = static_cast<int32_t>(static_cast<U>(r.ReceiveSome(s)) * quant[pos]);
            }
            any = true;
        }
        reader_ = r;
        return any;
    }

    // The next DC value of the component (the predictor plus the difference).
    int32_t NextDc(Component& k) {
        int t = reader_.Decode(dc_[k.dcTable]);
        if (t > 16) t = 0;
        return k.dcPred += reader_.Receive(t);
    }

    // A sequential block kept undequantized, for multi-scan files.
    void StoredSequentialBlock(Component& k, int16_t* blk) {
        DcFirst(k, blk);
        AcFirst(k, blk, 1);
    }

    void DcFirst(Component& k, int16_t* blk) { blk[0] = static_cast<int16_t>(static_cast<U>(NextDc(k)) << al_); }

    void DcRefine(int16_t* blk) {
        if (reader_.Bit()) blk[0] = static_cast<int16_t>(blk[0] | (1 << al_));
    }

    // The AC coefficients from `from` to se_ (a whole sequential block
    // from 1, or the first pass over a progressive band).
    void AcFirst(Component& k, int16_t* blk, int from) {
        if (eobRun_ > 0) {
            --eobRun_;
            return;
        }
        BitReader r = reader_;  // in registers, as in SequentialBlock
        const Huffman& ac = ac_[k.acTable];
        for (int i = from; i <= se_; ++i) {
            const int rs = r.Decode(ac);
            const int run = rs >> 4, s = rs & 15;
            if (s == 0) {
                if (run < 15) {
                    eobRun_ = (1 << run) - 1 + r.Bits(run);
                    break;
                }
                i += 15;
                continue;
            }
            i += run;
            if (i > 63) break;
            blk[kZigzag[i]] = static_cast<int16_t>(static_cast<U>(r.Receive(s)) << al_);
        }
        reader_ = r;
    }

    void AcRefine(Component& k, int16_t* blk) {
        BitReader r = reader_;
        const int p1 = 1 << al_, m1 = -p1;
        int i = ss_;
        auto refine = [&](int16_t& coef) {
            if (r.Bit() && (coef & p1) == 0) coef = static_cast<int16_t>(coef + (coef >= 0 ? p1 : m1));
        };
        if (eobRun_ == 0) {
            const Huffman& ac = ac_[k.acTable];
            for (; i <= se_; ++i) {
                const int rs = r.Decode(ac);
                int run = rs >> 4, s = rs & 15, value = 0;
                if (s) {
                    value = r.Bit() ? p1 : m1;  // s is 1 in a valid file
                } else if (run != 15) {
                    eobRun_ = (1 << run) + r.Bits(run);
                    break;
                }
                // Step over `run` coefficients still zero; those already
                // set on the way each take a correction bit.
                for (; i <= se_; ++i) {
                    int16_t& coef = blk[kZigzag[i]];
                    if (coef != 0) {
                        refine(coef);
                    } else if (--run < 0) {
                        break;
                    }
                }
                if (value && i <= se_) blk[kZigzag[i]] = static_cast<int16_t>(value);
            }
        }
        if (eobRun_ > 0) {
            for (; i <= se_; ++i) {
                int16_t& coef = blk[kZigzag[i]];
                if (coef != 0) refine(coef);
            }
            --eobRun_;
        }
        reader_ = r;
    }

    int16_t* StoredBlock(Component& k, int bx, int by) {
        return k.coefs.data() + (size_t{static_cast<uint32_t>(by)} * static_cast<uint32_t>(k.blocksW) + bx) * 64;
    }

    void StoredUnit(Component& k, int16_t* blk) {
        if (!progressive_) return StoredSequentialBlock(k, blk);
        if (ss_ == 0) return ah_ == 0 ? DcFirst(k, blk) : DcRefine(blk);
        return ah_ == 0 ? AcFirst(k, blk, ss_) : AcRefine(k, blk);
    }

    bool RestartDue() {
        if (restartInterval_ == 0) return false;
        if (restartsLeft_ == 0) {
            reader_.Restart();
            for (int c = 0; c < ncomp_; ++c) comp_[c].dcPred = 0;
            eobRun_ = 0;
            restartsLeft_ = restartInterval_;
        }
        --restartsLeft_;
        return true;
    }

    // One scan into the stored coefficients, then the position after it.
    void DecodeScan() {
        reader_ = BitReader(data_, size_, pos_);
        restartsLeft_ = restartInterval_;
        eobRun_ = 0;
        for (int c = 0; c < ncomp_; ++c) comp_[c].dcPred = 0;
        if (scanCount_ == 1) {
            Component& k = comp_[scanComp_[0]];
            const int bw = (k.width + 7) / 8, bh = (k.height + 7) / 8;
            for (int by = 0; by < bh; ++by)
                for (int bx = 0; bx < bw; ++bx) {
                    RestartDue();
                    if (reader_.Overrun()) {
                        truncated_ = true;
                        goto done;
                    }
                    StoredUnit(k, StoredBlock(k, bx, by));
                }
        } else {
            for (int my = 0; my < mcusY_; ++my)
                for (int mx = 0; mx < mcusX_; ++mx) {
                    RestartDue();
                    if (reader_.Overrun()) {
                        truncated_ = true;
                        goto done;
                    }
                    for (int i = 0; i < scanCount_; ++i) {
                        Component& k = comp_[scanComp_[i]];
                        for (int y = 0; y < k.v; ++y)
                            for (int x = 0; x < k.h; ++x) StoredUnit(k, StoredBlock(k, mx * k.h + x, my * k.v + y));
                    }
                }
        }
    done:
        pos_ = reader_.End();
    }

    // ---- samples and output ----

    // The samples of MCU row `my` into each component's plane `which`.
    void FillPlanes(int my, int which) {
        if (stream_) {
            if (streamDone_) return ClearPlanes(which);
            int32_t blk[65] = {};
            for (int mx = 0; mx < mcusX_; ++mx) {
                RestartDue();
                if (reader_.Overrun()) {  // the data ended: the rest stays grey
                    streamDone_ = true;
                    for (; mx < mcusX_; ++mx)
                        for (int c = 0; c < ncomp_; ++c) GreyMcu(comp_[c], which, mx);
                    return;
                }
                for (int c = 0; c < ncomp_; ++c) {
                    Component& k = comp_[scanComp_[c]];
                    const ptrdiff_t stride = static_cast<ptrdiff_t>(k.blocksW) * 8;
                    for (int y = 0; y < k.v; ++y)
                        for (int x = 0; x < k.h; ++x) {
                            uint8_t* out = k.plane[which].data() + y * 8 * stride + (mx * k.h + x) * 8;
                            if (SequentialBlock(k, blk)) {
                                InverseDct(blk, out, stride);
                            } else {
                                FillBlock(blk[0], out, stride);
                                blk[0] = 0;
                            }
                        }
                }
            }
            return;
        }
        int32_t blk[64];
        for (int c = 0; c < ncomp_; ++c) {
            Component& k = comp_[c];
            const ptrdiff_t stride = static_cast<ptrdiff_t>(k.blocksW) * 8;
            for (int y = 0; y < k.v; ++y)
                for (int bx = 0; bx < k.blocksW; ++bx) {
                    const int16_t* src = StoredBlock(k, bx, my * k.v + y);
                    uint8_t* out = k.plane[which].data() + y * 8 * stride + bx * 8;
#ifdef QAZ_JPEG_SSE2
                    if (UseSse2()) {
                        IdctSse2Stored(src, k.quant, out, stride);
                        continue;
                    }
#endif
                    bool any = false;
                    for (int i = 0; i < 64; ++i) {
                        blk[i] = static_cast<int32_t>(static_cast<U>(static_cast<int32_t>(src[i])) * k.quant[i]);
                        any |= i > 0 && src[i] != 0;
                    }
                    if (any) InverseDct(blk, out, stride);
                    else FillBlock(blk[0], out, stride);
                }
        }
    }

    void GreyMcu(Component& k, int which, int mx) {
        const size_t stride = size_t{static_cast<uint32_t>(k.blocksW)} * 8;
        for (int y = 0; y < k.v * 8; ++y) std::memset(k.plane[which].data() + y * stride + mx * k.h * 8, 128, k.h * 8u);
    }
    void ClearPlanes(int which) {
        for (int c = 0; c < ncomp_; ++c) std::fill(comp_[c].plane[which].begin(), comp_[c].plane[which].end(), 128);
    }

    // Sample row cy of component k (clamped to its real rows), seen from
    // MCU row my whose samples are in plane `cur` and the next one's in the
    // other plane.
    const uint8_t* SampleRow(const Component& k, int cy, int my, int cur) const {
        cy = std::clamp(cy, 0, k.height - 1);
        const int first = my * k.v * 8, rows = k.v * 8;
        const size_t stride = size_t{static_cast<uint32_t>(k.blocksW)} * 8;
        if (cy < first) return k.above.data();
        if (cy >= first + rows) return k.plane[cur ^ 1].data();
        return k.plane[cur].data() + size_t(cy - first) * stride;
    }

    // Output row y of component k at full width: the samples themselves, or
    // upsampled into buf. Halved components are interpolated (3/4 of the
    // nearer sample, 1/4 of the farther); other ratios repeat samples.
    const uint8_t* FullRow(const Component& k, int y, int my, int cur, uint8_t* buf) const {
        const int width = header_.width;
        if (k.hs == 1 && k.vs == 1) return SampleRow(k, y, my, cur);
        const int cy = y / k.vs;
        const uint8_t* row = SampleRow(k, cy, my, cur);
        const int cw = k.width;
        if (k.vs == 2 && k.hs == 1) {
            const bool lower = y & 1;
            const uint8_t* far = SampleRow(k, lower ? cy + 1 : cy - 1, my, cur);
            const int bias = lower ? 2 : 1;
            for (int x = 0; x < width; ++x) buf[x] = static_cast<uint8_t>((row[x] * 3 + far[x] + bias) >> 2);
            return buf;
        }
        if (k.hs == 2 && k.vs <= 2 && cw > 2) {
            // The column sums: 3 x the nearer row + the farther one when
            // halved down too, else 4 x the row; the pairs come out at
            // sixteen times the sample, rounded with the biases.
            const uint8_t* far = nullptr;
            int evenBias = 4, oddBias = 8;
            if (k.vs == 2) {
                far = SampleRow(k, y & 1 ? cy + 1 : cy - 1, my, cur);
                evenBias = 8, oddBias = 7;
            }
            auto sum = [&](int x) { return far ? row[x] * 3 + far[x] : row[x] * 4; };
            auto pair = [&](int x) {
                const int three = sum(x) * 3;
                buf[2 * x] = static_cast<uint8_t>((three + sum(x - 1) + evenBias) >> 4);
                buf[2 * x + 1] = static_cast<uint8_t>((three + sum(x + 1) + oddBias) >> 4);
            };
            buf[0] = static_cast<uint8_t>((sum(0) * 4 + evenBias) >> 4);
            buf[1] = static_cast<uint8_t>((sum(0) * 3 + sum(1) + oddBias) >> 4);
            int x = 1;
#ifdef QAZ_JPEG_SSE2
            if (UseSse2()) x = WidenSse2(row, far, cw, evenBias, oddBias, buf);
#endif
            for (; x < cw - 1; ++x) pair(x);
            buf[2 * cw - 2] = static_cast<uint8_t>((sum(cw - 1) * 3 + sum(cw - 2) + evenBias) >> 4);
            buf[2 * cw - 1] = static_cast<uint8_t>((sum(cw - 1) * 4 + 7) >> 4);
            return buf;
        }
        for (int x = 0; x < width; ++x) buf[x] = row[x / k.hs];
        return buf;
    }

    bool IsRgb() const {
        if (jfif_) return false;
        if (adobe_ >= 0) return adobe_ == 0;
        return comp_[0].id == 'R' && comp_[1].id == 'G' && comp_[2].id == 'B';
    }

    void Output() {
        const bool rgb = ncomp_ == 3 && IsRgb();
        const ColorTables& t = Colors();
        const int width = header_.width;
        const int ri = bgr_ ? 2 : 0, bi = bgr_ ? 0 : 2;
        const bool sse2 = UseSse2();
        int cur = 0;
        FillPlanes(0, cur);
        for (int my = 0; my < mcusY_; ++my) {
            if (my + 1 < mcusY_) FillPlanes(my + 1, cur ^ 1);
            const int y0 = my * vmax_ * 8, y1 = std::min(header_.height, y0 + vmax_ * 8);
            for (int y = y0; y < y1; ++y) {
                uint8_t* dst = out_ + static_cast<ptrdiff_t>(y) * stride_;
                const uint8_t* c0 = FullRow(comp_[0], y, my, cur, upsampled_[0].data());
                const uint8_t* c1 = ncomp_ == 1 ? nullptr : FullRow(comp_[1], y, my, cur, upsampled_[1].data());
                const uint8_t* c2 = ncomp_ == 1 ? nullptr : FullRow(comp_[2], y, my, cur, upsampled_[2].data());
                int x = 0;
#ifdef QAZ_JPEG_SSE2
                if (sse2) {
                    x = RowSse2(c0, c1, c2, rgb, bgr_, dst, width);
                    dst += 3 * x;
                }
#endif
                if (ncomp_ == 1) {
                    for (; x < width; ++x, dst += 3) dst[0] = dst[1] = dst[2] = c0[x];
                    continue;
                }
                if (rgb) {
                    for (; x < width; ++x, dst += 3) {
                        dst[ri] = c0[x];
                        dst[1] = c1[x];
                        dst[bi] = c2[x];
                    }
                    continue;
                }
                const uint8_t* limit = t.limit + 384;
                for (; x < width; ++x, dst += 3) {
                    const int luma = c0[x], cb = c1[x], cr = c2[x];
                    dst[ri] = limit[luma + t.crR[cr]];
                    dst[1] = limit[luma + ((t.cbG[cb] + t.crG[cr]) >> 16)];
                    dst[bi] = limit[luma + t.cbB[cb]];
                }
            }
            // The next MCU row looks one sample row back.
            for (int c = 0; c < ncomp_; ++c) {
                Component& k = comp_[c];
                const size_t stride = size_t{static_cast<uint32_t>(k.blocksW)} * 8;
                std::memcpy(k.above.data(), k.plane[cur].data() + (size_t(k.v) * 8 - 1) * stride, stride);
            }
            cur ^= 1;
        }
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    JpegHeader header_;
    bool sawEnd_ = false, truncated_ = false;
    bool frame_ = false, progressive_ = false, jfif_ = false, stream_ = false, streamDone_ = false, bgr_ = true;
    int adobe_ = -1;
    int ncomp_ = 0, hmax_ = 1, vmax_ = 1, mcusX_ = 0, mcusY_ = 0;
    Component comp_[3];
    uint16_t quant_[4][65] = {};
    bool quantDefined_[4] = {};
    Huffman dc_[4], ac_[4];
    unsigned restartInterval_ = 0, restartsLeft_ = 0;
    int scanCount_ = 0, scanComp_[4] = {};
    int ss_ = 0, se_ = 63, ah_ = 0, al_ = 0;
    int eobRun_ = 0;
    BitReader reader_;
    std::vector<uint8_t> upsampled_[3];
    uint8_t* out_ = nullptr;
    ptrdiff_t stride_ = 0;
};

}  // namespace

void JpegUsePlainCode(bool plain) { plainCode = plain; }

DecodeStatus ReadJpegHeader(const uint8_t* data, size_t size, JpegHeader& header) {
    auto decoder = std::make_unique<Decoder>(data, size);
    return decoder->Header(header);
}

DecodeStatus DecodeJpeg(const uint8_t* data, size_t size, const JpegRows& rows, JpegOrder order) {
    auto decoder = std::make_unique<Decoder>(data, size);
    return decoder->Decode(rows, order);
}

DecodeStatus DecodeJpeg(const uint8_t* data, size_t size, Picture& out) {
    JpegHeader header;
    const DecodeStatus status = DecodeJpeg(
        data, size,
        [&](const JpegHeader& h, ptrdiff_t& stride) -> uint8_t* {
            header = h;
            out.pixels.assign(size_t{static_cast<uint32_t>(h.width)} * static_cast<uint32_t>(h.height) * 3, 0);
            stride = static_cast<ptrdiff_t>(h.width) * 3;
            return out.pixels.data();
        },
        JpegOrder::Rgb);
    if (status != DecodeStatus::Ok) return status;
    out.width = header.width;
    out.height = header.height;
    out.bitsPerPixel = 24;
    out.colorDepth = header.components == 1 ? 8 : 24;
    out.xDensity = header.xDensity;
    out.yDensity = header.yDensity;
    return DecodeStatus::Ok;
}

}  // namespace qaz::codecs
