// Unlha32.dll on LHA archives as other packers wrote them: folder entries
// for the top itself, Unix links, damaged bytes between entries, EUC-JP
// names from Unix and LHarc's -lh1-. The archives are made here from the
// header descriptions; lzh_variants_test checks the same kinds against
// lhasa.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/components/archivers/archiver_library.h"
#include "tests/components/codecs/lzh_builders.h"
#include "tests/support/test_env.h"

namespace {

using namespace qaztest::lzh;

Entry File(const std::string& name, const std::string& text, char os = 'U') {
    Entry e;
    e.name = Of(name);
    e.original = e.packed = Of(text);
    e.os = os;
    return e;
}

Entry Folder(const std::string& name) {
    Entry e = File(name, "");
    e.method = "-lhd-";
    return e;
}

// Joins entries into an archive with its closing zero.
Bytes Archive(const std::vector<Bytes>& entries) {
    Bytes a;
    for (const Bytes& e : entries) a.insert(a.end(), e.begin(), e.end());
    a.push_back(0);
    return a;
}

class LhaWild : public ::testing::Test {
protected:
    LhaWild() : lha_("Unlha32.dll", "Unlha") {}
    // Extracts the archive into a fresh folder: the result, and the output in out.
    int Extract(const std::string& name, const Bytes& archive, std::string& out, const std::string& head = "x -a1 ") {
        const std::string path = dir_.File(name + ".lzh", std::string(archive.begin(), archive.end()));
        dest_ = dir_.Folder("d_" + name) + "\\";
        return lha_.Run(head + "\"" + path + "\" \"" + dest_ + "\"", &out);
    }
    std::string Get(const std::string& relative) const { return qaztest::FileBytes(dest_ + relative); }

    qaztest::TempDir dir_;
    qaztest::Archiver lha_;
    std::string dest_;
};

TEST_F(LhaWild, ArchivesFromOtherSystemsExtractWithTheirResult) {
    Entry l1Folder = Folder("");
    l1Folder.exts = {{0x02, Of("d\xFF")}};
    Entry link = Folder("");
    link.exts = {{0x02, Of("d\xFF")}, {0x01, Of("in|../t.txt")}, {0x50, {0xFF, 0xA1}}};
    Entry euc = File("\xC6\xFC\xCB\xDC.txt", "euc");  // 日本.txt in EUC-JP
    Bytes garbage(40, 0x41);
    const Bytes first = Level01(File("a.txt", "first"), 1), second = Level01(File("b.txt", "second"), 1),
                third = Level01(File("c.txt", "third"), 0);
    Bytes broken = second;
    broken[9] ^= 0x10;  // the packed size: the checksum no longer holds
    struct Case {
        const char* what;
        Bytes archive;
        int result;
        std::vector<std::pair<std::string, std::string>> files;  // relative path, content
        const char* said;  // a piece of the output, or null
        const char* head = "x -a1 ";
    };
    const Case cases[] = {
        {"folders with an empty name",
         Archive({Level01(Folder("./"), 0), Level01(Folder(""), 1), Level01(l1Folder, 1), Level01(Folder("d/e/"), 0),
                  Level01(File("d/e/f.txt", "inner"), 0)}),
         0, {{"d\\e\\f.txt", "inner"}}, nullptr},
        {"link inside",
         Archive({Level23(link, 2), Level01(File("t.txt", "target"), 0)}), 0,
         {{"d\\in", "target"}, {"t.txt", "target"}}, "extracted as a copy"},
        {"link inside, flat", Archive({Level23(link, 2), Level01(File("t.txt", "target"), 0)}), 0,
         {{"in", "target"}, {"t.txt", "target"}}, "extracted as a copy", "x -a0gj "},
        {"link outside", Archive({Level01(Folder("out|../../x"), 0), first}), 0x8001, {{"a.txt", "first"}}, "out"},
        {"bytes between entries", Archive({first, garbage, second, broken, third}), 0x800C,
         {{"a.txt", "first"}, {"b.txt", "second"}, {"c.txt", "third"}}, "damaged bytes from"},
        {"EUC-JP name", Archive({Level01(euc, 1)}), 0, {{"日本.txt", "euc"}}, nullptr},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(Extract(std::string("c") + std::to_string(&c - cases), c.archive, out, c.head), c.result)
            << c.what << ": " << out;
        for (const auto& f : c.files) EXPECT_EQ(Get(f.first), f.second) << c.what << " " << f.first;
        if (c.said) {
            EXPECT_NE(out.find(c.said), std::string::npos) << c.what << ": " << out;
        }
    }
}

TEST_F(LhaWild, Lh1EntriesAreListedAndExtracted) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "LHarc " + std::to_string(i % 97) + (i % 5 ? " " : "\r\n");
    Entry e = File("old.txt", text, 'M');
    e.method = "-lh1-";
    e.packed = PackLh1(e.original);
    const Bytes archive = Archive({Level01(e, 0)});
    const std::string path = dir_.File("old.lzh", std::string(archive.begin(), archive.end()));
    EXPECT_EQ(lha_.List(path), std::vector<std::string>{"old.txt " + std::to_string(text.size()) + " -lh1-"});
    std::string out;
    EXPECT_EQ(Extract("old", archive, out), 0) << out;
    EXPECT_EQ(Get("old.txt"), text);
}

}  // namespace
