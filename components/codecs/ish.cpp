#include "components/codecs/ish.h"

#include <algorithm>
#include <array>
#include <deque>
#include <string_view>

namespace qaz::codecs {

namespace {

// ---------------------------------------------------------------- checks

struct CrcTable {
    std::array<uint16_t, 256> t{};
    CrcTable() {
        for (unsigned i = 0; i < 256; ++i) {
            unsigned c = i << 8;
            for (int k = 0; k < 8; ++k) c = (c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1;
            t[i] = static_cast<uint16_t>(c);
        }
    }
};

uint16_t Crc(const uint8_t* p, size_t n, uint16_t crc = 0xFFFF) {
    static const CrcTable table;
    while (n--) crc = static_cast<uint16_t>((crc << 8) ^ table.t[((crc >> 8) ^ *p++) & 0xFF]);
    return crc;
}

// A line's own CRC over its first size - 2 bytes, stored inverted after them.
void SealLine(std::vector<uint8_t>& line) {
    const size_t n = line.size() - 2;
    const uint16_t c = static_cast<uint16_t>(~Crc(line.data(), n));
    line[n] = static_cast<uint8_t>(c >> 8);
    line[n + 1] = static_cast<uint8_t>(c);
}
// Run over the stored CRC too, a sound line leaves this remainder.
bool LineSound(const std::vector<uint8_t>& line) { return Crc(line.data(), line.size()) == 0x1D0F; }

// ---------------------------------------------------------------- alphabets

bool IsLead(uint8_t c) { return (c >= 0x80 && c <= 0x9F) || (c >= 0xE0 && c <= 0xE9); }

struct Alphabets {
    // 7-bit JIS: the printable ASCII characters but "#", "." and "`"; for the
    // kana-less Shift-JIS the 32 lead bytes 0x89-0x97, 0x99-0x9F, 0xE0-0xE9 follow.
    std::vector<uint8_t> j7, leads;
    std::vector<uint8_t> j8, sj, sj2;
    std::array<uint8_t, 256> j7Back{}, j8Back{}, sjBack{}, sj2Back{}, nkBack{};

    static void Range(std::vector<uint8_t>& v, int from, int to) {
        for (int c = from; c <= to; ++c) v.push_back(static_cast<uint8_t>(c));
    }
    static void Back(const std::vector<uint8_t>& v, std::array<uint8_t, 256>& back) {
        back.fill(0xFF);
        for (size_t i = 0; i < v.size(); ++i) back[v[i]] = static_cast<uint8_t>(i);
    }
    Alphabets() {
        for (int c = 0x21; c <= 0x7E; ++c)
            if (c != 0x23 && c != 0x2E && c != 0x60) j7.push_back(static_cast<uint8_t>(c));
        Range(leads, 0x89, 0x97);
        Range(leads, 0x99, 0x9F);
        Range(leads, 0xE0, 0xE9);
        // 8-bit JIS: 128 characters from ASCII and the half-width kana.
        j8 = {0x23, 0x25, 0x26, 0x27, 0x29, 0x2B, 0x2C, 0x3F, 0x2F, 0x32};
        Range(j8, 0x34, 0x3E);
        Range(j8, 0x41, 0x49);
        for (int c : {0x4B, 0x4C, 0x4E, 0x4F, 0x52}) j8.push_back(static_cast<uint8_t>(c));
        Range(j8, 0x54, 0x5E);
        Range(j8, 0x61, 0x6E);
        Range(j8, 0x70, 0x76);
        for (int c : {0x78, 0x79, 0x7A, 0x7C}) j8.push_back(static_cast<uint8_t>(c));
        Range(j8, 0xA1, 0xAC);
        Range(j8, 0xAE, 0xB2);
        Range(j8, 0xB4, 0xBE);
        Range(j8, 0xC0, 0xCC);
        Range(j8, 0xCE, 0xD2);
        Range(j8, 0xD4, 0xDE);
        // Shift-JIS: 182 characters where a character may start, 182 where
        // a lead byte's trail goes.
        Range(sj, 0x40, 0x5F);
        Range(sj, 0x61, 0x7E);
        Range(sj, 0x27, 0x2F);
        Range(sj, 0x89, 0x97);
        sj.push_back(0x30);
        Range(sj, 0x99, 0x9F);
        Range(sj, 0xA1, 0xE9);
        Range(sj, 0x31, 0x3F);
        Range(sj2, 0x40, 0x5F);
        Range(sj2, 0x61, 0x7E);
        Range(sj2, 0x80, 0x9F);
        Range(sj2, 0xA1, 0xF8);
        Back(j7, j7Back);
        Back(j8, j8Back);
        Back(sj, sjBack);
        Back(sj2, sj2Back);
        std::vector<uint8_t> nk = j7;
        nk.insert(nk.end(), leads.begin(), leads.end());
        Back(nk, nkBack);
    }
};

const Alphabets& A() {
    static const Alphabets a;
    return a;
}

// ---------------------------------------------------------------- bits

// A line's bytes read as one stream, least significant bit first; past the
// end it reads zeros.
class BitReader {
public:
    explicit BitReader(const std::vector<uint8_t>& b) : p_(b.data()), end_(b.data() + b.size()) {}
    unsigned Get(unsigned n) {  // n <= 24
        while (count_ < n) {
            acc_ |= uint32_t{p_ < end_ ? *p_++ : uint8_t{0}} << count_;
            count_ += 8;
        }
        const unsigned v = acc_ & ((1u << n) - 1);
        acc_ >>= n;
        count_ -= n;
        return v;
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
    uint32_t acc_ = 0;
    unsigned count_ = 0;
};

// The other way: bits past the line's end are dropped.
class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& b) : p_(b.data()), end_(b.data() + b.size()) {}
    ~BitWriter() {
        while (p_ < end_) {
            *p_++ = static_cast<uint8_t>(acc_);
            acc_ >>= 8;
        }
    }
    void Put(unsigned v, unsigned n) {  // n <= 24
        acc_ |= (v & ((1u << n) - 1)) << count_;
        count_ += n;
        for (; count_ >= 8; count_ -= 8, acc_ >>= 8)
            if (p_ < end_) *p_++ = static_cast<uint8_t>(acc_);
    }

private:
    uint8_t* p_;
    uint8_t* end_;
    uint32_t acc_ = 0;
    unsigned count_ = 0;
};

// ---------------------------------------------------------------- lines

struct Geometry {
    int line;  // bytes of a line: sequence, payload, CRC
    int code;  // the header's kind byte
};
Geometry GeometryOf(IshKind k) {
    switch (k) {
        case IshKind::Jis7: return {63, 13};
        case IshKind::Jis8: return {69, 8};
        case IshKind::ShiftJis: return {73, 15};
        case IshKind::NonKana: return {69, 14};
    }
    return {63, 13};
}

std::string EncodeJis7(const std::vector<uint8_t>& b) {
    const Alphabets& a = A();
    BitReader r(b);
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>(a.j7[r.Get(6)]);
    const size_t groups = (b.size() * 8 - 24) / 13 + 1;
    for (size_t g = 0; g < groups; ++g) {
        const unsigned v = r.Get(13);
        s += static_cast<char>(a.j7[v / 91]);
        s += static_cast<char>(a.j7[v % 91]);
    }
    return s;
}

bool DecodeJis7(std::string_view s, std::vector<uint8_t>& b) {
    const Alphabets& a = A();
    const size_t groups = (b.size() * 8 - 24) / 13 + 1;
    if (s.size() < 4 + 2 * groups) return false;
    BitWriter w(b);
    size_t k = 0;
    for (int i = 0; i < 4; ++i) {
        const uint8_t v = a.j7Back[static_cast<uint8_t>(s[k++])];
        if (v == 0xFF) return false;
        w.Put(v, 6);
    }
    for (size_t g = 0; g < groups; ++g) {
        const uint8_t hi = a.j7Back[static_cast<uint8_t>(s[k++])];
        const uint8_t lo = a.j7Back[static_cast<uint8_t>(s[k++])];
        if (hi == 0xFF || lo == 0xFF) return false;
        const unsigned v = hi * 91u + lo;
        if (v >= 0x2000) return false;
        w.Put(v, 13);
    }
    return true;
}

std::string EncodeJis8(const std::vector<uint8_t>& b) {
    BitReader r(b);
    std::string s;
    for (size_t i = 0, n = b.size() * 8 / 7 + 1; i < n; ++i) s += static_cast<char>(A().j8[r.Get(7)]);
    return s;
}

bool DecodeJis8(std::string_view s, std::vector<uint8_t>& b) {
    const size_t n = b.size() * 8 / 7 + 1;
    if (s.size() < n) return false;
    BitWriter w(b);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t v = A().j8Back[static_cast<uint8_t>(s[i])];
        if (v == 0xFF) return false;
        w.Put(v, 7);
    }
    return true;
}

// Shift-JIS: 7 bits, then 15 bits as two characters each (a lead byte's
// successor taken from the trail alphabet), then the last 7 bits.
size_t SjisGroups(size_t bytes) { return (bytes * 8 - 15) / 15 + 1; }

std::string EncodeSjis(const std::vector<uint8_t>& b) {
    const Alphabets& a = A();
    BitReader r(b);
    std::string s;
    s += static_cast<char>(a.j8[r.Get(7)]);
    bool trail = false;
    auto put = [&](unsigned v) {
        uint8_t c;
        if (trail) {
            c = a.sj2[v];
            trail = false;
        } else {
            c = a.sj[v];
            trail = IsLead(c);
        }
        s += static_cast<char>(c);
    };
    for (size_t g = 0, n = SjisGroups(b.size()); g < n; ++g) {
        const unsigned v = r.Get(15);
        put(v / 182);
        put(v % 182);
    }
    const unsigned v = r.Get(7);
    if (trail) {
        s += static_cast<char>(a.sj2[v]);
    } else {
        uint8_t c = a.sj[v];
        if (IsLead(c)) c = static_cast<uint8_t>(c + 0x40);  // a line never ends on a lead byte
        s += static_cast<char>(c);
    }
    return s;
}

bool DecodeSjis(std::string_view s, std::vector<uint8_t>& b) {
    const Alphabets& a = A();
    const size_t groups = SjisGroups(b.size());
    if (s.size() < 2 + 2 * groups) return false;
    BitWriter w(b);
    size_t k = 0;
    const uint8_t first = a.j8Back[static_cast<uint8_t>(s[k++])];
    if (first == 0xFF) return false;
    w.Put(first, 7);
    bool trail = false;
    auto take = [&](uint8_t c) -> unsigned {
        if (trail) {
            trail = false;
            return a.sj2Back[c];
        }
        trail = IsLead(c);
        return a.sjBack[c];
    };
    for (size_t g = 0; g < groups; ++g) {
        const unsigned hi = take(static_cast<uint8_t>(s[k++]));
        const unsigned lo = take(static_cast<uint8_t>(s[k++]));
        if (hi == 0xFF || lo == 0xFF) return false;
        const unsigned v = hi * 182 + lo;
        if (v >= 0x8000) return false;
        w.Put(v, 15);
    }
    uint8_t c = static_cast<uint8_t>(s[k]);
    unsigned last;
    if (trail) {
        last = a.sj2Back[c];
    } else {
        if (c >= 0xC9 && c <= 0xDF) c = static_cast<uint8_t>(c - 0x40);
        last = a.sjBack[c];
    }
    if (last >= 128) return false;
    w.Put(last, 7);
    return true;
}

// Shift-JIS without kana: the sequence byte as one character, then units of
// 14 bits: two characters of the extended 7-bit alphabet (123 values), a
// lead byte among them followed by a trail character holding 7 more bits;
// or, for values from 11193 on, a lead byte and its trail. 76 characters of
// units, then 6 or 13 bits to fill the line.
constexpr int kNonKanaUnits = 75;
constexpr unsigned kNonKanaSplit = 91 * 123;
constexpr size_t kNonKanaChars = 79;

std::string EncodeNonKana(const std::vector<uint8_t>& b) {
    const Alphabets& a = A();
    BitReader r(b);
    std::string s;
    s += static_cast<char>(a.j7[r.Get(8) % 91]);
    auto nk = [&](unsigned v) { return static_cast<char>(v < 91 ? a.j7[v] : a.leads[v - 91]); };
    int left = kNonKanaUnits;
    while (left >= 0) {
        unsigned d = r.Get(14);
        if (d < kNonKanaSplit) {
            s += nk(d / 123);
            s += nk(d % 123);
            left -= 2;
            if (d % 123 >= 91) {
                s += static_cast<char>(a.sj2[r.Get(7)]);
                --left;
            }
        } else {
            d -= kNonKanaSplit;
            s += static_cast<char>(a.leads[d / 182]);
            s += static_cast<char>(a.sj2[d % 182]);
            left -= 2;
        }
    }
    if (left == -2) {
        s += static_cast<char>(a.j7[r.Get(6)]);
    } else {
        const unsigned v = r.Get(13);
        s += static_cast<char>(a.j7[v / 91]);
        s += static_cast<char>(a.j7[v % 91]);
    }
    s.resize(kNonKanaChars);
    return s;
}

bool DecodeNonKana(std::string_view s, std::vector<uint8_t>& b) {
    const Alphabets& a = A();
    if (s.size() < kNonKanaChars) return false;
    BitWriter w(b);
    size_t k = 0;
    auto next = [&]() { return static_cast<uint8_t>(s[k++]); };
    const uint8_t first = a.j7Back[next()];
    if (first == 0xFF) return false;
    w.Put(first, 8);
    int left = kNonKanaUnits;
    while (left >= 0) {
        if (k + 2 > kNonKanaChars) return false;
        const unsigned c1 = a.nkBack[next()];
        if (c1 == 0xFF) return false;
        if (c1 < 91) {
            const unsigned c2 = a.nkBack[next()];
            if (c2 == 0xFF) return false;
            w.Put(c1 * 123 + c2, 14);
            left -= 2;
            if (c2 >= 91) {
                if (k >= kNonKanaChars) return false;
                const unsigned t = a.sj2Back[next()];
                if (t >= 128) return false;
                w.Put(t, 7);
                --left;
            }
        } else {
            const unsigned c2 = a.sj2Back[next()];
            if (c2 == 0xFF) return false;
            const unsigned d = (c1 - 91) * 182 + kNonKanaSplit + c2;
            if (d > 0x3FFF) return false;
            w.Put(d, 14);
            left -= 2;
        }
    }
    if (left == -2) {
        const uint8_t v = a.j7Back[next()];
        if (v == 0xFF) return false;
        w.Put(v & 0x3F, 6);
    } else if (left == -1) {
        const uint8_t hi = a.j7Back[next()];
        const uint8_t lo = a.j7Back[next()];
        if (hi == 0xFF || lo == 0xFF) return false;
        w.Put((hi * 91u + lo) & 0x1FFF, 13);
    }
    return true;
}

std::string EncodeLine(IshKind k, const std::vector<uint8_t>& b) {
    switch (k) {
        case IshKind::Jis7: return EncodeJis7(b);
        case IshKind::Jis8: return EncodeJis8(b);
        case IshKind::ShiftJis: return EncodeSjis(b);
        case IshKind::NonKana: return EncodeNonKana(b);
    }
    return {};
}

// Decodes a text line into bytes (b sized to the line length) and checks its CRC.
bool DecodeLine(IshKind k, std::string_view s, std::vector<uint8_t>& b) {
    bool ok = false;
    switch (k) {
        case IshKind::Jis7: ok = DecodeJis7(s, b); break;
        case IshKind::Jis8: ok = DecodeJis8(s, b); break;
        case IshKind::ShiftJis: ok = DecodeSjis(s, b); break;
        case IshKind::NonKana: ok = DecodeNonKana(s, b); break;
    }
    return ok && LineSound(b);
}

// ---------------------------------------------------------------- header

constexpr int kHeaderLine = 63;  // a header in 7-bit JIS; 69 bytes in 8-bit JIS

bool HeaderLine(std::string_view s, std::vector<uint8_t>& b) {
    if (s.empty() || (s[0] != '!' && s[0] != '#')) return false;
    const bool eight = s[0] == '#';
    b.assign(eight ? 69 : kHeaderLine, 0);
    return DecodeLine(eight ? IshKind::Jis8 : IshKind::Jis7, s, b) && b[0] == 0;
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// The data rows, the vertical row and the diagonal row of one block, and
// the repair of up to two lost rows.
class Block {
public:
    explicit Block(int line) : n_(line - 2), rows_(static_cast<size_t>(n_ + 1)), have_(static_cast<size_t>(n_ + 1)) {}
    bool empty() const { return !any_; }
    void Put(int seq, const std::vector<uint8_t>& b) {
        any_ = true;
        if (seq == n_ + 2) {
            diag_.assign(b.begin(), b.begin() + n_);
            return;
        }
        rows_[static_cast<size_t>(seq)].assign(b.begin(), b.begin() + n_);
        have_[static_cast<size_t>(seq)] = true;
    }
    // Fills the rows 1..count; false when more are lost than can be rebuilt.
    bool Complete(int count, int& repaired) {
        for (int r = count + 1; r < n_; ++r) Virtual(r);
        std::vector<int> lost;
        for (int r = 1; r <= count; ++r)
            if (!have_[static_cast<size_t>(r)]) lost.push_back(r);
        if (lost.empty()) return true;
        const int dataRows = static_cast<int>(lost.size());
        if (lost.size() == 1 && have_[static_cast<size_t>(n_)]) {
            FromColumns(lost[0]);
        } else {
            if (!have_[static_cast<size_t>(n_)]) lost.push_back(n_);
            if (lost.size() != 2 || diag_.empty()) return false;
            FromDiagonals(lost[0], lost[1]);
        }
        repaired += dataRows;
        return true;
    }
    const std::vector<uint8_t>& Row(int r) const { return rows_[static_cast<size_t>(r)]; }

private:
    int Diagonal(int r, int c) const { return (((c - r + 1) % n_) + n_) % n_ + 1; }
    void Virtual(int r) {
        rows_[static_cast<size_t>(r)].assign(static_cast<size_t>(n_), 0);
        rows_[static_cast<size_t>(r)][0] = static_cast<uint8_t>(r);
        have_[static_cast<size_t>(r)] = true;
    }
    // What each column of the one or two lost rows must add up to.
    std::vector<uint8_t> ColumnRest() const {
        std::vector<uint8_t> v(static_cast<size_t>(n_), 0);
        for (int r = 1; r <= n_; ++r)
            if (have_[static_cast<size_t>(r)])
                for (int c = 1; c < n_; ++c) v[c] = static_cast<uint8_t>(v[c] - rows_[r][c]);
        return v;
    }
    void FromColumns(int e) {
        rows_[static_cast<size_t>(e)] = ColumnRest();
        rows_[static_cast<size_t>(e)][0] = static_cast<uint8_t>(e);
    }
    void FromDiagonals(int e1, int e2) {
        const std::vector<uint8_t> column = ColumnRest();
        // The diagonal sums (stored negated). The last one is not stored: all
        // rows add up to the sum of the sequence bytes, n(n+1)/2, as every
        // other column sums to 0 with the vertical row; it is that less the others.
        std::vector<uint8_t> rest(static_cast<size_t>(n_ + 1), 0);
        unsigned last = static_cast<unsigned>(n_ * (n_ + 1) / 2);
        for (int d = 1; d < n_; ++d) {
            rest[d] = static_cast<uint8_t>(-diag_[d]);
            last += diag_[d];
        }
        rest[n_] = static_cast<uint8_t>(last);
        for (int r = 1; r <= n_; ++r)
            if (have_[static_cast<size_t>(r)])
                for (int c = 0; c < n_; ++c) rest[Diagonal(r, c)] = static_cast<uint8_t>(rest[Diagonal(r, c)] - rows_[r][c]);
        std::vector<uint8_t>& a = rows_[static_cast<size_t>(e1)];
        std::vector<uint8_t>& b = rows_[static_cast<size_t>(e2)];
        a.assign(static_cast<size_t>(n_), 0);
        b.assign(static_cast<size_t>(n_), 0);
        a[0] = static_cast<uint8_t>(e1);
        b[0] = static_cast<uint8_t>(e2);
        rest[Diagonal(e1, 0)] = static_cast<uint8_t>(rest[Diagonal(e1, 0)] - a[0]);
        rest[Diagonal(e2, 0)] = static_cast<uint8_t>(rest[Diagonal(e2, 0)] - b[0]);
        // Each diagonal crosses each row once; with the lengths prime the walk
        // from column 0 in steps of e2 - e1 meets every column.
        int c = 0;
        for (int step = 1; step < n_; ++step) {
            const int d = Diagonal(e1, c);
            const int c2 = (c + e2 - e1) % n_;
            b[c2] = static_cast<uint8_t>(rest[d] - (c == 0 ? 0 : a[c]));
            a[c2] = static_cast<uint8_t>(column[c2] - b[c2]);
            c = c2;
        }
        have_[static_cast<size_t>(e1)] = have_[static_cast<size_t>(e2)] = true;
    }

    int n_;
    std::vector<std::vector<uint8_t>> rows_;
    std::vector<bool> have_;
    std::vector<uint8_t> diag_;
    bool any_ = false;
};

// The lines of a text without their ends, skipping empty ones. Control
// characters inside a line are dropped (a copy is kept in spare then); most
// lines are views into the text itself.
std::vector<std::string_view> SplitLines(const uint8_t* text, size_t size, std::deque<std::string>& spare) {
    std::vector<std::string_view> lines;
    const char* t = reinterpret_cast<const char*>(text);
    for (size_t i = 0; i < size;) {
        size_t end = i;
        bool clean = true;
        for (; end < size && text[end] != '\n' && text[end] != '\r'; ++end)
            if (text[end] < 0x20 || text[end] == 0x7F) clean = false;
        if (clean) {
            if (end > i) lines.emplace_back(t + i, end - i);
        } else {
            std::string copy;
            for (size_t k = i; k < end; ++k)
                if (text[k] >= 0x20 && text[k] != 0x7F) copy += t[k];
            if (!copy.empty()) {
                spare.push_back(std::move(copy));
                lines.emplace_back(spare.back());
            }
        }
        i = end + 1;
    }
    return lines;
}

std::string NameOfHeader(const uint8_t* p) {
    std::string base(reinterpret_cast<const char*>(p), 8), ext(reinterpret_cast<const char*>(p + 8), 3);
    auto trim = [](std::string& s) {
        while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    };
    trim(base);
    trim(ext);
    return ext.empty() ? base : base + "." + ext;
}

// Decodes the file whose header is lines[at]; returns the index of the
// first line not taken.
size_t DecodeFile(const std::vector<std::string_view>& lines, size_t at, const std::vector<uint8_t>& head, uint32_t maxSize,
                  IshFile& f) {
    f.name = NameOfHeader(head.data() + 12);
    f.size = Le32(head.data() + 2);
    f.system = head[24];
    f.dosTime = head[26] ? Le32(head.data() + 27) : 0;
    const int line = head[6] | head[7] << 8;
    bool known = true;
    switch (head[11]) {
        case 13: f.kind = IshKind::Jis7; break;
        case 8: f.kind = IshKind::Jis8; break;
        case 15: f.kind = IshKind::ShiftJis; break;
        case 14: f.kind = IshKind::NonKana; break;
        default: known = false;
    }
    std::vector<uint8_t> other;
    for (++at; at < lines.size() && HeaderLine(lines[at], other) && other == head;) ++at;  // its repetitions
    if (!known || line != GeometryOf(f.kind).line) {
        f.status = IshStatus::BadHeader;
        return at;
    }
    if (head[1] != 0) {
        f.status = IshStatus::MultiVolume;
        return at;
    }
    if (f.size > maxSize) {
        f.status = IshStatus::Damaged;
        return at;
    }
    const int n = line - 2;
    const uint64_t streamSize = uint64_t{f.size} + 2;
    const uint64_t rows = (streamSize + static_cast<uint64_t>(n - 2)) / static_cast<uint64_t>(n - 1);
    std::vector<uint8_t> stream;
    // At most what the lines left can carry, so that a header's size alone
    // never makes us take memory.
    stream.reserve(static_cast<size_t>(std::min<uint64_t>(streamSize, uint64_t{lines.size() - at} * static_cast<uint64_t>(n - 1))));
    uint64_t rowsDone = 0;
    Block block(line);
    int last = 0;
    std::vector<uint8_t> b(static_cast<size_t>(line));
    auto finish = [&]() -> bool {
        if (block.empty()) return true;
        const int count = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(n - 1), rows - rowsDone));
        if (!block.Complete(count, f.repairedLines)) return false;
        for (int r = 1; r <= count; ++r) {
            const std::vector<uint8_t>& row = block.Row(r);
            const size_t want = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(n - 1), streamSize - stream.size()));
            stream.insert(stream.end(), row.begin() + 1, row.begin() + 1 + static_cast<std::ptrdiff_t>(want));
        }
        rowsDone += static_cast<uint64_t>(count);
        block = Block(line);
        last = 0;
        return true;
    };
    bool damaged = false;
    for (; at < lines.size() && rowsDone < rows; ++at) {
        const std::string_view s = lines[at];
        if (HeaderLine(s, other)) {
            if (other == head) continue;  // the header's repetitions
            break;                        // the next file
        }
        if (!DecodeLine(f.kind, s, b)) continue;
        const int seq = b[0];
        if (seq == 0 || seq > line || seq == line - 1) continue;
        if (seq < last && !finish()) {
            damaged = true;
            break;
        }
        block.Put(seq, b);
        last = seq;
        if (seq == line && !finish()) {
            damaged = true;
            break;
        }
    }
    if (damaged) {
        f.status = IshStatus::Damaged;
        return at;
    }
    // The text ended (or the next file began) first: what is there may still
    // make up the last block.
    if (rowsDone < rows && !finish()) rowsDone = 0;
    if (rowsDone < rows || stream.size() < streamSize) {
        f.status = IshStatus::Truncated;
        return at;
    }
    const uint16_t stored = static_cast<uint16_t>(stream[f.size] << 8 | stream[f.size + 1]);
    if (static_cast<uint16_t>(~Crc(stream.data(), f.size)) != stored) {
        f.status = IshStatus::CrcMismatch;
        return at;
    }
    stream.resize(f.size);
    f.data = std::move(stream);
    f.status = f.repairedLines ? IshStatus::Repaired : IshStatus::Ok;
    return at;
}

const char* SystemText(uint8_t s) {
    switch (s) {
        case kIshMsDos: return "MS-DOS";
        case kIshCpm: return "CP/M or MSX-DOS";
        case kIshOs9: return "OS-9";
        case kIshUnix: return "UNIX";
        case kIshAllSystems: return "ALL-OS";
        default: return "OTHER";
    }
}

const char* KindText(IshKind k) {
    switch (k) {
        case IshKind::Jis7: return "jis7";
        case IshKind::Jis8: return "jis8";
        case IshKind::ShiftJis: return "shift_jis";
        case IshKind::NonKana: return "non-kana";
    }
    return "";
}

}  // namespace

const char* IshStatusText(IshStatus status) {
    switch (status) {
        case IshStatus::Ok: return "ok";
        case IshStatus::Repaired: return "lost lines rebuilt";
        case IshStatus::Damaged: return "too many lines lost in a block";
        case IshStatus::CrcMismatch: return "CRC error";
        case IshStatus::Truncated: return "the text ends before the file";
        case IshStatus::MultiVolume: return "one volume of a multi-volume file: not read";
        case IshStatus::BadHeader: return "unknown kind or line length";
    }
    return "";
}

std::vector<IshFile> DecodeIsh(const uint8_t* text, size_t size, uint32_t maxSize) {
    std::deque<std::string> spare;
    const std::vector<std::string_view> lines = SplitLines(text, size, spare);
    std::vector<IshFile> files;
    std::vector<uint8_t> head;
    for (size_t i = 0; i < lines.size();) {
        if (!HeaderLine(lines[i], head)) {
            ++i;
            continue;
        }
        IshFile f;
        i = DecodeFile(lines, i, head, maxSize, f);
        files.push_back(std::move(f));
    }
    return files;
}

bool LooksLikeIsh(const uint8_t* text, size_t size) {
    std::vector<uint8_t> head;
    std::deque<std::string> spare;
    for (const std::string_view s : SplitLines(text, size, spare))
        if (HeaderLine(s, head)) return true;
    return false;
}

std::string IshShortName(const std::string& name) {
    size_t dot = std::string::npos;
    for (size_t i = 0; i < name.size(); ++i) {
        const uint8_t c = static_cast<uint8_t>(name[i]);
        if (c == '.') dot = i;
        if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < name.size()) ++i;
    }
    auto cut = [](const std::string& s, size_t most) {
        std::string out;
        for (size_t i = 0; i < s.size();) {
            const uint8_t c = static_cast<uint8_t>(s[i]);
            const size_t w = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < s.size() ? 2 : 1;
            if (out.size() + w > most) break;
            for (size_t k = 0; k < w; ++k) {
                const char ch = s[i + k];
                out += w == 1 && ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch;
            }
            i += w;
        }
        return out;
    };
    std::string base = cut(name.substr(0, dot), 8);
    std::string ext = dot == std::string::npos ? std::string() : cut(name.substr(dot + 1), 3);
    for (std::string* part : {&base, &ext})
        for (char& c : *part)
            if (c == ' ' || c == '.') c = '_';
    return ext.empty() ? base : base + "." + ext;
}

std::string EncodeIsh(const uint8_t* data, size_t size, const IshEncodeOptions& o) {
    const Geometry g = GeometryOf(o.kind);
    const int line = g.line, n = line - 2;
    const std::string shortName = IshShortName(o.name);

    // The data goes out followed by its inverted CRC-16, high byte first.
    const uint16_t crc = static_cast<uint16_t>(~Crc(data, size));
    const uint8_t tail[2] = {static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
    const size_t streamSize = size + 2;
    const size_t rows = (streamSize + static_cast<size_t>(n - 2)) / static_cast<size_t>(n - 1);
    const size_t blocks = (rows + static_cast<size_t>(n - 2)) / static_cast<size_t>(n - 1);

    // The header.
    const bool eightBitHead = o.kind == IshKind::Jis8;
    std::vector<uint8_t> h(eightBitHead ? 69 : kHeaderLine, 0);
    const uint32_t size32 = static_cast<uint32_t>(size);
    for (int i = 0; i < 4; ++i) h[static_cast<size_t>(2 + i)] = static_cast<uint8_t>(size32 >> (8 * i));
    h[6] = static_cast<uint8_t>(line);
    h[8] = static_cast<uint8_t>(line - 1);
    h[10] = o.kind == IshKind::Jis8 ? 8 : 16;
    h[11] = static_cast<uint8_t>(g.code);
    const size_t dot = shortName.find('.');
    const std::string base = shortName.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : shortName.substr(dot + 1);
    for (int i = 0; i < 11; ++i) h[static_cast<size_t>(12 + i)] = ' ';
    std::copy(base.begin(), base.end(), h.begin() + 12);
    std::copy(ext.begin(), ext.end(), h.begin() + 20);
    h[24] = o.system;
    h[25] = 1;
    if (o.dosTime) {
        h[26] = 3;
        for (int i = 0; i < 4; ++i) h[static_cast<size_t>(27 + i)] = static_cast<uint8_t>(o.dosTime >> (8 * i));
    }
    SealLine(h);
    const std::string headText = eightBitHead ? EncodeJis8(h) : EncodeJis7(h);

    const size_t total = 4 + rows + 2 * blocks;
    std::string out;
    out.reserve(size / 3 * 4 + size / 8 + 1024);
    out += "<<< " + shortName + " for " + SystemText(o.system) + " ( use " + KindText(o.kind) + " ish ) [ " +
                      std::to_string(total) + " lines ] >>>\r\n";
    for (int i = 0; i < 3; ++i) out += headText + "\r\n";

    auto diagonal = [n](int r, int c) { return (((c - r + 1) % n) + n) % n + 1; };
    std::vector<uint8_t> b(static_cast<size_t>(line));
    size_t at = 0;
    for (size_t done = 0; done < rows;) {
        const int count = static_cast<int>(std::min(rows - done, static_cast<size_t>(n - 1)));
        std::vector<uint8_t> column(static_cast<size_t>(n), 0), diag(static_cast<size_t>(n + 1), 0);
        auto emit = [&](int seq) {
            b[0] = static_cast<uint8_t>(seq);
            SealLine(b);
            out += EncodeLine(o.kind, b);
            out += "\r\n";
            for (int c = 0, d = diagonal(seq, 0); c < n; ++c, d = d == n ? 1 : d + 1)
                diag[static_cast<size_t>(d)] = static_cast<uint8_t>(diag[static_cast<size_t>(d)] - b[static_cast<size_t>(c)]);
        };
        for (int r = 1; r <= count; ++r) {
            std::fill(b.begin(), b.end(), 0);
            const size_t take = std::min(streamSize - at, static_cast<size_t>(n - 1));
            for (size_t i = 0; i < take; ++i, ++at) b[1 + i] = at < size ? data[at] : tail[at - size];
            for (int c = 1; c < n; ++c) column[c] = static_cast<uint8_t>(column[c] - b[c]);
            emit(r);
        }
        std::copy(column.begin(), column.end(), b.begin());
        emit(n);
        for (int r = count + 1; r < n; ++r) diag[diagonal(r, 0)] = static_cast<uint8_t>(diag[diagonal(r, 0)] - r);
        std::copy(diag.begin(), diag.begin() + n, b.begin());
        b[0] = static_cast<uint8_t>(line);
        SealLine(b);
        out += EncodeLine(o.kind, b) + "\r\n";
        done += static_cast<size_t>(count);
    }
    return out;
}

}  // namespace qaz::codecs
