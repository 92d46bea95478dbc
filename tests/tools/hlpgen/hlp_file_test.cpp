// Reads the written help files back the way the help viewer does, from the
// published description of the format: header, directory, |SYSTEM,
// |CONTEXT, and the topic links in their LZ77 topic blocks.
#include "tools/hlpgen/hlp_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <stdexcept>

namespace qaz::hlpgen {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t U16(const Bytes& b, size_t at) { return b.at(at) | b.at(at + 1) << 8; }
uint32_t U32(const Bytes& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

struct Reader {
    Bytes file;
    std::map<std::string, std::pair<size_t, size_t>> files;  // name -> data start, size

    explicit Reader(Bytes f) : file(std::move(f)) {
        EXPECT_EQ(U32(file, 0), 0x00035F3Fu);
        EXPECT_EQ(U32(file, 12), file.size());
        const size_t dir = U32(file, 4);
        const size_t tree = dir + 9;
        EXPECT_EQ(U16(file, tree), 0x293Bu);
        EXPECT_EQ(U16(file, tree + 32), 1u);  // one level: the root is a leaf
        const size_t page = tree + 38 + U16(file, tree + 26) * U16(file, tree + 4);
        size_t p = page + 8;
        std::string previous;
        for (unsigned i = 0; i < U16(file, page + 2); ++i) {
            std::string name(reinterpret_cast<const char*>(&file[p]));
            EXPECT_LT(previous, name) << "directory out of order";
            previous = name;
            p += name.size() + 1;
            const size_t header = U32(file, p);
            p += 4;
            const size_t reserved = U32(file, header), used = U32(file, header + 4);
            EXPECT_GE(reserved, used + 9) << name;
            EXPECT_LE(header + reserved, file.size()) << name;
            files[name] = {header + 9, used};
        }
    }
    size_t Start(const std::string& name) const {
        auto it = files.find(name);
        if (it == files.end()) throw std::runtime_error("missing " + name);
        return it->second.first;
    }
};

Bytes Lz77(const uint8_t* p, const uint8_t* end) {
    Bytes out;
    while (p < end) {
        unsigned flags = *p++;
        for (int i = 0; i < 8 && p < end; ++i, flags >>= 1) {
            if (flags & 1) {
                unsigned code = p[0] | p[1] << 8;
                p += 2;
                for (unsigned n = 0; n < (code >> 12) + 3; ++n) out.push_back(out[out.size() - (code & 0xFFF) - 1]);
            } else {
                out.push_back(*p++);
            }
        }
    }
    return out;
}

struct ReadTopic {
    std::string title;
    uint32_t offset = 0;
    std::vector<std::string> texts;        // strings of its paragraphs
    std::vector<int32_t> jump_hashes;      // targets of its jumps
};

// Walks the topic links from the first one, checking the chain on the way.
std::vector<ReadTopic> ReadTopics(const Reader& r) {
    const size_t start = r.Start("|TOPIC");
    const size_t size = r.files.at("|TOPIC").second;
    std::vector<Bytes> blocks;
    for (size_t b = 0; b * 4096 < size; ++b) {
        const uint8_t* p = &r.file[start + b * 4096];
        blocks.push_back(Lz77(p + 12, p + 4096));
        const uint32_t first = U32(r.file, start + b * 4096 + 4);
        EXPECT_EQ((first - 12) >> 14, b) << "first link of block " << b;
    }
    std::vector<ReadTopic> topics;
    uint32_t pos = 12, previous = 0xFFFFFFFF, chars = 0, last_block = 0;
    while (pos != 0xFFFFFFFF) {
        const uint32_t block = (pos - 12) >> 14, offset = (pos - 12) & 0x3FFF;
        if (block != last_block) chars = 0;
        last_block = block;
        const Bytes& d = blocks.at(block);
        Bytes link(d.begin() + offset, d.begin() + offset + U32(d, offset));
        EXPECT_EQ(U32(link, 8), previous);
        const uint32_t len1 = U32(link, 16);
        const std::string data2(link.begin() + len1, link.end());
        EXPECT_EQ(U32(link, 4), data2.size());
        if (link[20] == 2) {
            topics.push_back(ReadTopic{data2.c_str(), block * 0x8000 + chars, {}, {}});
        } else {
            EXPECT_EQ(link[20], 0x20);
            size_t f = 21;
            f += (link[f] & 1) ? 4 : 2;                  // topic size
            const unsigned length = (link[f] & 1) ? U16(link, f) / 2 : link[f] / 2;
            f += (link[f] & 1) ? 2 : 1;
            EXPECT_EQ(length, data2.size());
            chars += length;
            f += 4;
            const unsigned bits = U16(link, f);
            f += 2;
            for (unsigned bit : {0x2u, 0x4u, 0x8u, 0x10u, 0x20u, 0x40u})
                if (bits & bit) f += (link[f] & 1) ? 2 : 1;
            size_t t = 0;
            std::string text;
            while (f < len1) {
                const char* s = data2.c_str() + t;
                text += s;
                t += std::strlen(s) + 1;
                const uint8_t cmd = link[f];
                if (cmd == 0xFF) break;
                if (cmd == 0x80) f += 3;
                else if (cmd == 0xE3) {
                    topics.back().jump_hashes.push_back(static_cast<int32_t>(U32(link, f + 1)));
                    f += 5;
                } else f += 1;
            }
            EXPECT_EQ(t, data2.size()) << "one string per command";
            topics.back().texts.push_back(text);
        }
        previous = pos;
        pos = U32(link, 12);
    }
    return topics;
}

std::map<int32_t, uint32_t> ReadContexts(const Reader& r) {
    const size_t tree = r.Start("|CONTEXT");
    const size_t page = tree + 38;
    std::map<int32_t, uint32_t> out;
    int64_t previous = INT64_MIN;
    for (unsigned i = 0; i < U16(r.file, page + 2); ++i) {
        const int32_t hash = static_cast<int32_t>(U32(r.file, page + 8 + 8 * i));
        EXPECT_LT(previous, hash) << "hashes ascend";
        previous = hash;
        out[hash] = U32(r.file, page + 12 + 8 * i);
    }
    return out;
}

HelpBook Book(int topics, int paragraphs) {
    HelpBook book;
    book.title = "Title";
    book.face_name = "Face";
    for (int t = 0; t < topics; ++t) {
        Topic topic;
        topic.context = "topic_" + std::to_string(t);
        topic.title = "Topic " + std::to_string(t);
        topic.paragraphs.push_back(Paragraph{Paragraph::kTitle, {Run{Run::kPlain, topic.title, ""}}});
        for (int p = 0; p < paragraphs; ++p) {
            Paragraph para{Paragraph::kBody, {}};
            para.runs.push_back(Run{Run::kPlain, std::string(150, 'a' + p % 26), ""});
            para.runs.push_back(Run{Run::kBold, "bold", ""});
            para.runs.push_back(Run{Run::kJump, "next", "topic_" + std::to_string((t + p + 1) % topics)});
            topic.paragraphs.push_back(para);
        }
        book.topics.push_back(topic);
    }
    return book;
}

TEST(HlpFile, ContextHashWorkedValues) {
    EXPECT_EQ(ContextHash(""), 1);
    EXPECT_EQ(ContextHash("A"), 17);
    EXPECT_EQ(ContextHash("a"), 17);
    EXPECT_EQ(ContextHash("AB"), 17 * 43 + 18);
    EXPECT_EQ(ContextHash("0"), 10);
    EXPECT_EQ(ContextHash("9."), 9 * 43 + 12);
    EXPECT_EQ(ContextHash("z_"), 42 * 43 + 13);
    // Long names wrap around in 32 bits: 17 * 43^6 + 10 * (43^5 + ... + 1) = 108,968,258,273.
    EXPECT_EQ(ContextHash("A000000"), static_cast<int32_t>(108968258273ull % 4294967296ull));
    EXPECT_EQ(ContextHash("contents"), 636769674);
}

// Many topics over several blocks: every jump resolves through |CONTEXT to
// the topic it names, and the texts come back as written.
TEST(HlpFile, JumpsLandOnTheirTopicsAcrossBlocks) {
    const HelpBook book = Book(30, 6);
    Reader r(WriteHelpFile(book, kShiftJisCharset));
    ASSERT_GT(r.files.at("|TOPIC").second, 4096u * 3) << "the book spans several blocks";
    const auto topics = ReadTopics(r);
    const auto contexts = ReadContexts(r);
    ASSERT_EQ(topics.size(), book.topics.size());
    std::map<uint32_t, std::string> title_at;
    for (const ReadTopic& t : topics) EXPECT_TRUE(title_at.emplace(t.offset, t.title).second) << t.title;
    for (size_t i = 0; i < topics.size(); ++i) {
        EXPECT_EQ(topics[i].title, book.topics[i].title);
        EXPECT_EQ(title_at.at(contexts.at(ContextHash(book.topics[i].context))), book.topics[i].title);
        ASSERT_EQ(topics[i].texts.size(), book.topics[i].paragraphs.size());
        EXPECT_EQ(topics[i].texts[0], book.topics[i].title);
        EXPECT_EQ(topics[i].texts[1], std::string(150, 'a') + "boldnext");
        for (size_t j = 0; j < topics[i].jump_hashes.size(); ++j) {
            const std::string& target = book.topics[i].paragraphs[j + 1].runs[2].target;
            EXPECT_EQ(topics[i].jump_hashes[j], ContextHash(target));
        }
    }
}

TEST(HlpFile, SystemRecordsNameVersionCharsetAndContents) {
    HelpBook book = Book(2, 1);
    book.copyright = "(c)";
    Reader r(WriteHelpFile(book, kShiftJisCharset));
    const size_t s = r.Start("|SYSTEM");
    const size_t end = s + r.files.at("|SYSTEM").second;
    EXPECT_EQ(U16(r.file, s), 0x036Cu);
    EXPECT_EQ(U16(r.file, s + 2), 21u);  // Windows 3.1
    EXPECT_EQ(U16(r.file, s + 4), 1u);
    EXPECT_EQ(U16(r.file, s + 10), 4u);  // 4 KB LZ77 topic blocks
    std::map<unsigned, Bytes> records;
    for (size_t p = s + 12; p < end; p += 4 + U16(r.file, p + 2))
        records[U16(r.file, p)] = Bytes(&r.file[p + 4], &r.file[p + 4] + U16(r.file, p + 2));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(records.at(1).data())), "Title");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(records.at(2).data())), "(c)");
    EXPECT_EQ(U32(records.at(3), 0), ReadTopics(r)[0].offset);
    EXPECT_EQ(records.at(11)[0], 128);
    const size_t font = r.Start("|FONT");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r.file[font + U16(r.file, font + 4)])), "Face");
}

TEST(HlpFile, RefusesWhatTheFormatCannotHold) {
    HelpBook book = Book(1, 1);
    book.topics[0].paragraphs[1].runs[0].text = std::string(4000, 'x');
    EXPECT_THROW(WriteHelpFile(book, kShiftJisCharset), std::runtime_error);
    EXPECT_THROW(WriteHelpFile(Book(300, 1), kShiftJisCharset), std::runtime_error);  // one |CONTEXT page
}

}  // namespace
}  // namespace qaz::hlpgen
