#include "tools/hlpgen/hlp_file.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace qaz::hlpgen {
namespace {

using Bytes = std::vector<uint8_t>;

void Put8(Bytes& b, unsigned v) { b.push_back(static_cast<uint8_t>(v)); }
void Put16(Bytes& b, unsigned v) {
    Put8(b, v & 0xFF);
    Put8(b, (v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Set32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutZ(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    Put8(b, 0);
}
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// The compact numbers of paragraph records: the low bit says whether the
// short or the long form follows.
void PutCompressedSignedShort(Bytes& b, int v) {
    if (v >= -64 && v < 64) {
        Put8(b, static_cast<unsigned>(v + 64) * 2);
    } else {
        Put16(b, static_cast<unsigned>(v + 16384) * 2 + 1);
    }
}
void PutCompressedUnsignedShort(Bytes& b, unsigned v) {
    if (v < 128) {
        Put8(b, v * 2);
    } else {
        Put16(b, v * 2 + 1);
    }
}
void PutCompressedSignedLong(Bytes& b, int32_t v) {
    if (v >= -16384 && v < 16384) {
        Put16(b, static_cast<unsigned>(v + 16384) * 2);
    } else {
        Put32(b, static_cast<uint32_t>(v + 0x40000000) * 2 + 1);
    }
}

// A B+ tree of a single leaf page.
Bytes BTree(uint16_t flags, uint16_t page_size, const std::string& structure, const std::vector<Bytes>& entries,
            const char* what) {
    Bytes page;
    size_t used = 8;
    for (const Bytes& e : entries) used += e.size();
    if (used > page_size) throw std::runtime_error(std::string("too many entries for one page of ") + what);
    Put16(page, static_cast<unsigned>(page_size - used));
    Put16(page, static_cast<unsigned>(entries.size()));
    Put16(page, 0xFFFF);  // no previous leaf
    Put16(page, 0xFFFF);  // no next leaf
    for (const Bytes& e : entries) Append(page, e);
    page.resize(page_size, 0);

    Bytes tree;
    Put16(tree, 0x293B);
    Put16(tree, flags);
    Put16(tree, page_size);
    std::string s = structure;
    s.resize(16, '\0');
    tree.insert(tree.end(), s.begin(), s.end());
    Put16(tree, 0);       // must be zero
    Put16(tree, 0);       // page splits
    Put16(tree, 0);       // root page
    Put16(tree, 0xFFFF);  // must be -1
    Put16(tree, 1);       // pages
    Put16(tree, 1);       // levels
    Put32(tree, static_cast<uint32_t>(entries.size()));
    Append(tree, page);
    return tree;
}

// Fonts of the paragraphs, indexed by the font change command.
enum Font { kBodyFont, kBoldFont, kTitleFont, kHeadingFont, kFontCount };

Bytes FontFile(const std::string& face) {
    constexpr unsigned kFaceLength = 32;
    if (face.size() >= kFaceLength) throw std::runtime_error("font face name too long");
    Bytes b;
    Put16(b, 1);
    Put16(b, kFontCount);
    Put16(b, 8);
    Put16(b, 8 + kFaceLength);
    std::string f = face;
    f.resize(kFaceLength, '\0');
    b.insert(b.end(), f.begin(), f.end());
    struct Desc {
        unsigned attributes, half_points;
        uint8_t r, g, b;
    };
    const Desc descs[kFontCount] = {
        {0, 20, 0, 0, 0},       // body
        {1, 20, 0, 0, 0},       // bold
        {1, 28, 0, 0, 0x80},    // topic title
        {1, 22, 0, 0, 0x80},    // heading
    };
    for (const Desc& d : descs) {
        Put8(b, d.attributes);
        Put8(b, d.half_points);
        Put8(b, 3);  // swiss family
        Put16(b, 0);  // face
        Put8(b, d.r);
        Put8(b, d.g);
        Put8(b, d.b);
        Put8(b, 0xFF);
        Put8(b, 0xFF);
        Put8(b, 0xFF);
    }
    return b;
}

// One topic link before its positions are known.
struct Link {
    uint8_t type = 0;  // 2 topic header, 0x20 text
    Bytes data1;       // after the 21-byte link header
    Bytes data2;
    size_t topic = 0;
    // Filled by the layout.
    uint32_t block = 0, offset = 0;  // offset in the block's data
    uint32_t char_offset = 0;        // characters before it in its block
    size_t Size() const { return 21 + data1.size() + data2.size(); }
    uint32_t Pos() const { return block * 0x4000 + offset + 12; }
};

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kTopicBlockSize = 4096;
// Block data is stored as LZ77 literals (9 bytes for 8), so that the reader's
// 16 KB positions hold; this much data fills a block.
constexpr uint32_t kBlockCapacity = (kTopicBlockSize - 12) / 9 * 8;

Font FontOf(Paragraph::Style style) {
    switch (style) {
    case Paragraph::kTitle: return kTitleFont;
    case Paragraph::kHeading: return kHeadingFont;
    default: return kBodyFont;
    }
}

Link TextLink(const Paragraph& p) {
    std::vector<std::string> texts(1);
    Bytes commands;
    auto command = [&](std::initializer_list<unsigned> bytes, bool new_text = true) {
        for (unsigned v : bytes) Put8(commands, v);
        if (new_text) texts.emplace_back();
    };
    auto font = [&](Font f) { command({0x80, static_cast<unsigned>(f) & 0xFF, 0}); };
    Font base = FontOf(p.style);
    font(base);
    if (p.style == Paragraph::kBullet) texts.back() += "\x81\x45";  // the middle dot of code page 932
    for (const Run& r : p.runs) {
        switch (r.kind) {
        case Run::kPlain: texts.back() += r.text; break;
        case Run::kBold:
            font(kBoldFont);
            texts.back() += r.text;
            font(base);
            break;
        case Run::kJump: {
            uint32_t h = static_cast<uint32_t>(ContextHash(r.target));
            command({0xE3, h & 0xFF, (h >> 8) & 0xFF, (h >> 16) & 0xFF, h >> 24});
            texts.back() += r.text;
            command({0x89});
            break;
        }
        }
    }
    command({0x82});
    command({0xFF}, false);

    Link link;
    link.type = 0x20;
    for (const std::string& t : texts) PutZ(link.data2, t);
    const unsigned length = static_cast<unsigned>(link.data2.size());
    PutCompressedSignedLong(link.data1, static_cast<int32_t>(length));
    PutCompressedUnsignedShort(link.data1, length);
    Put8(link.data1, 0);
    Put8(link.data1, 0x80);
    Put16(link.data1, 0);
    unsigned bits = 0;
    Bytes fields;
    if (p.style == Paragraph::kTitle) {
        bits |= 0x0004;  // spacing below
        PutCompressedSignedShort(fields, 12);
    } else if (p.style == Paragraph::kHeading) {
        bits |= 0x0002;  // spacing above
        PutCompressedSignedShort(fields, 10);
    } else {
        bits |= 0x0002;
        PutCompressedSignedShort(fields, p.style == Paragraph::kBody ? 6 : 2);
    }
    if (p.style == Paragraph::kBullet || p.style == Paragraph::kIndent) {
        bits |= 0x0010;  // left indent
        PutCompressedSignedShort(fields, 24);
    }
    if (p.style == Paragraph::kBullet) {
        bits |= 0x0040;  // first line hangs out by the bullet
        PutCompressedSignedShort(fields, -14);
    }
    Put16(link.data1, bits);
    Append(link.data1, fields);
    Append(link.data1, commands);
    return link;
}

Link HeaderLink(const Topic& t) {
    Link link;
    link.type = 2;
    link.data1.resize(28, 0);
    PutZ(link.data2, t.title);
    return link;
}

Bytes LiteralLz77(const Bytes& data) {
    Bytes out;
    for (size_t i = 0; i < data.size(); i += 8) {
        Put8(out, 0);
        out.insert(out.end(), data.begin() + i, data.begin() + std::min(data.size(), i + 8));
    }
    return out;
}

struct TopicLayout {
    Bytes topic_file;
    std::vector<uint32_t> topic_offsets;  // where each topic starts, for jumps
};

TopicLayout LayOutTopics(const HelpBook& book) {
    std::vector<Link> links;
    std::vector<size_t> header_index;
    for (size_t t = 0; t < book.topics.size(); ++t) {
        header_index.push_back(links.size());
        links.push_back(HeaderLink(book.topics[t]));
        links.back().topic = t;
        for (const Paragraph& p : book.topics[t].paragraphs) {
            links.push_back(TextLink(p));
            links.back().topic = t;
        }
    }

    // Place the links; a link never crosses a block.
    uint32_t block = 0, offset = 0, chars = 0;
    for (Link& l : links) {
        if (l.Size() > kBlockCapacity) throw std::runtime_error("a paragraph is too long for one topic block");
        if (offset + l.Size() > kBlockCapacity) {
            ++block;
            offset = 0;
            chars = 0;
        }
        l.block = block;
        l.offset = offset;
        l.char_offset = chars;
        offset += static_cast<uint32_t>(l.Size());
        if (l.type == 0x20) chars += static_cast<uint32_t>(l.data2.size());
    }

    TopicLayout out;
    for (size_t h : header_index) out.topic_offsets.push_back(links[h].block * 0x8000 + links[h].char_offset);

    // Fill in the positions.
    for (size_t i = 0; i < links.size(); ++i) {
        Link& l = links[i];
        if (l.type != 2) continue;
        const size_t t = l.topic;
        uint32_t size = 0;
        size_t j = i;
        for (; j < links.size() && links[j].topic == t; ++j) size += static_cast<uint32_t>(links[j].Size());
        Set32(l.data1, 0, size);
        Set32(l.data1, 4, t > 0 ? out.topic_offsets[t - 1] : kNone);
        Set32(l.data1, 8, t + 1 < book.topics.size() ? out.topic_offsets[t + 1] : kNone);
        Set32(l.data1, 12, static_cast<uint32_t>(t));
        Set32(l.data1, 16, kNone);  // no non-scrolling region
        Set32(l.data1, 20, i + 1 < links.size() && links[i + 1].topic == t ? links[i + 1].Pos() : kNone);
        Set32(l.data1, 24, j < links.size() ? links[j].Pos() : kNone);
    }

    std::vector<Bytes> blocks(block + 1);
    std::vector<uint32_t> first(block + 1, kNone), last(block + 1, kNone), last_header(block + 1, kNone);
    uint32_t header_so_far = kNone;
    for (size_t i = 0; i < links.size(); ++i) {
        const Link& l = links[i];
        Bytes& b = blocks[l.block];
        Put32(b, static_cast<uint32_t>(l.Size()));
        Put32(b, static_cast<uint32_t>(l.data2.size()));
        Put32(b, i > 0 ? links[i - 1].Pos() : kNone);
        Put32(b, i + 1 < links.size() ? links[i + 1].Pos() : kNone);
        Put32(b, static_cast<uint32_t>(21 + l.data1.size()));
        Put8(b, l.type);
        Append(b, l.data1);
        Append(b, l.data2);
        if (first[l.block] == kNone) {
            first[l.block] = l.Pos();
            last_header[l.block] = header_so_far;
        }
        last[l.block] = l.Pos();
        if (l.type == 2) header_so_far = l.Pos();
    }
    for (uint32_t k = 0; k <= block; ++k) {
        Bytes header;
        Put32(header, k > 0 ? last[k - 1] : kNone);
        Put32(header, first[k]);
        Put32(header, last_header[k]);
        Bytes packed = LiteralLz77(blocks[k]);
        Append(out.topic_file, header);
        Append(out.topic_file, packed);
        out.topic_file.resize(static_cast<size_t>(k + 1) * kTopicBlockSize, 0);
    }
    return out;
}

Bytes SystemFile(const HelpBook& book, uint32_t contents, uint8_t charset) {
    Bytes b;
    Put16(b, 0x036C);
    Put16(b, 21);  // Windows 3.1 help file
    Put16(b, 1);
    Put32(b, 0);   // no build date: the same source gives the same file
    Put16(b, 4);   // 4 KB topic blocks, LZ77
    auto record = [&](unsigned type, const Bytes& data) {
        Put16(b, type);
        Put16(b, static_cast<unsigned>(data.size()));
        Append(b, data);
    };
    Bytes d;
    PutZ(d, book.title);
    record(1, d);
    if (!book.copyright.empty()) {
        d.clear();
        PutZ(d, book.copyright);
        record(2, d);
    }
    d.clear();
    Put32(d, contents);
    record(3, d);
    d.clear();
    PutZ(d, "BrowseButtons()");
    record(4, d);
    d.clear();
    Put16(d, charset);
    record(11, d);
    return b;
}

}  // namespace

int32_t ContextHash(const std::string& context) {
    uint32_t hash = 0;
    for (unsigned char c : context) {
        unsigned v = 0;
        if (c >= 'A' && c <= 'Z') v = c - 'A' + 17;
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 17;
        else if (c >= '1' && c <= '9') v = c - '0';
        else if (c == '0') v = 10;
        else if (c == '.') v = 12;
        else if (c == '_') v = 13;
        hash = hash * 43 + v;
    }
    return context.empty() ? 1 : static_cast<int32_t>(hash);
}

std::vector<uint8_t> WriteHelpFile(const HelpBook& book, uint8_t charset) {
    if (book.topics.empty()) throw std::runtime_error("no topics");
    TopicLayout layout = LayOutTopics(book);

    std::map<int32_t, uint32_t> contexts;
    for (size_t t = 0; t < book.topics.size(); ++t) {
        if (!contexts.emplace(ContextHash(book.topics[t].context), layout.topic_offsets[t]).second)
            throw std::runtime_error("two contexts share a hash: " + book.topics[t].context);
    }
    std::vector<Bytes> context_entries;
    for (const auto& [hash, offset] : contexts) {  // ascending signed hashes
        Bytes e;
        Put32(e, static_cast<uint32_t>(hash));
        Put32(e, offset);
        context_entries.push_back(e);
    }
    std::vector<Bytes> title_entries;
    for (size_t t = 0; t < book.topics.size(); ++t) {
        Bytes e;
        Put32(e, layout.topic_offsets[t]);
        PutZ(e, book.topics[t].title);
        title_entries.push_back(e);
    }

    std::map<std::string, Bytes> files;  // sorted as the directory wants them
    files["|SYSTEM"] = SystemFile(book, layout.topic_offsets[0], charset);
    files["|FONT"] = FontFile(book.face_name);
    files["|CONTEXT"] = BTree(0x0002, 0x0800, "L4", context_entries, "|CONTEXT");
    files["|TTLBTREE"] = BTree(0x0002, 0x0800, "Lz", title_entries, "|TTLBTREE");
    files["|TOPIC"] = std::move(layout.topic_file);

    Bytes out(16, 0);
    std::vector<Bytes> directory;
    for (const auto& [name, data] : files) {
        Bytes e;
        PutZ(e, name);
        Put32(e, static_cast<uint32_t>(out.size()));
        directory.push_back(e);
        Put32(out, static_cast<uint32_t>(data.size() + 9));
        Put32(out, static_cast<uint32_t>(data.size()));
        Put8(out, 4);
        Append(out, data);
    }
    Bytes dir = BTree(0x0402, 0x0400, "z4", directory, "the directory");
    const uint32_t dir_start = static_cast<uint32_t>(out.size());
    Put32(out, static_cast<uint32_t>(dir.size() + 9));
    Put32(out, static_cast<uint32_t>(dir.size()));
    Put8(out, 4);
    Append(out, dir);

    Set32(out, 0, 0x00035F3F);
    Set32(out, 4, dir_start);
    Set32(out, 8, kNone);  // no free blocks
    Set32(out, 12, static_cast<uint32_t>(out.size()));
    return out;
}

}  // namespace qaz::hlpgen
