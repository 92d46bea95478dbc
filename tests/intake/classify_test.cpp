// File kinds by extension and the view filter.
#include <gtest/gtest.h>

#include "core/file_kind.h"
#include "intake/process_drop.h"

using namespace qaz;

TEST(ClassifyTest, EveryExtensionOfTheTables) {
    const struct {
        const char* name;
        int kind;
    } cases[] = {
        {"a.lzh", 9},   {"a.ZIP", 10},  {"a.arj", 11},  {"a.Cab", 12},  {"a.ish", 13},  {"a.tar", 14},
        {"a.tgz", 14},  {"a.taz", 14},  {"a.tar.gz", 14}, {"A.TAR.Z", 14}, {"a.Tar.Gz", 14}, {"a.gz", 14},
        {"a.bmp", 0},   {"a.ico", 0},   {"a.wmf", 0},   {"a.emf", 0},   {"a.jpg", 1},   {"a.jpe", 1},
        {"a.jpeg", 1},  {"a.gif", 2},   {"a.tif", 3},   {"a.pic", 4},   {"a.p2", 5},    {"a.mag", 6},
        {"a.q4", 7},    {"a.pi", 8},    {"a.avi", -2},  {"a.wav", -2},  {"a.mid", -2},  {"a.scr", -3},
        {"a.txt", -1},  {"a", -1},      {"a.tiff", -1}, {"a.", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(ClassifyName(c.name).kind, c.kind) << c.name;
}

TEST(ClassifyTest, CompressedFilesKnowWhatIsInside) {
    EXPECT_EQ(ClassifyName("C:\\x\\a.tar.gz").innerKind, 14);
    EXPECT_EQ(ClassifyName("C:\\x\\A.TAR.Z").innerKind, 14);
    EXPECT_EQ(ClassifyName("C:\\x\\a.gz").innerKind, 15);
    EXPECT_EQ(ClassifyName("C:\\x.tar\\a.gz").innerKind, 15);  // the folder's extension is not the name's
    EXPECT_EQ(ClassifyName("a.tgz").innerKind, 0);
}

TEST(ClassifyTest, PictureSubKind) {
    EXPECT_EQ(ClassifyName("a.BMP").pictureSubKind, 0);
    EXPECT_EQ(ClassifyName("a.ico").pictureSubKind, 1);
    EXPECT_EQ(ClassifyName("a.emf").pictureSubKind, 1);
    EXPECT_EQ(ClassifyName("a.jpg").pictureSubKind, -1);
}

TEST(ClassifyTest, ExtensionStepsOverDoubleByteCharacters) {
    // ソ is 0x83 0x5C: its trail byte must not start a new path component.
    EXPECT_EQ(ClassifyName("C:\\ソ.lzh").kind, 9);
    EXPECT_EQ(ClassifyName("C:\\dir.lzh\\ソ").kind, -1);
    EXPECT_EQ(UpperExtension("C:\\a.jpg\\ソ"), "");
    EXPECT_EQ(UpperExtension("x.gz"), ".GZ");
    // Only ASCII letters are upper-cased; double-byte characters stay as they are.
    EXPECT_EQ(UpperExtension("x.ａb"), std::string(".ａB"));
}

TEST(ClassifyTest, ViewFilterTakesPartsOfTheListButNeverNoExtension) {
    EXPECT_TRUE(PassesViewFilter("a.jp"));
    EXPECT_TRUE(PassesViewFilter("a.B"));
    EXPECT_TRUE(PassesViewFilter("C:\\x\\a.scr"));
    EXPECT_FALSE(PassesViewFilter("a.txt"));
    EXPECT_FALSE(PassesViewFilter("a"));
    EXPECT_FALSE(PassesViewFilter("C:\\dir.jpg\\readme"));
    EXPECT_FALSE(PassesViewFilter("a.lzh"));
}

TEST(ClassifyTest, CommandLineNamesLoseTheirQuotesAndFitTheBuffer) {
    EXPECT_EQ(NameFromParam("\"C:\\my files\\a.jpg\""), "C:\\my files\\a.jpg");
    EXPECT_EQ(NameFromParam("C:\\a.jpg"), "C:\\a.jpg");
    EXPECT_EQ(NameFromParam("\""), "");
    EXPECT_EQ(NameFromParam("\"C:\\a.jpg"), "C:\\a.jpg");
    EXPECT_EQ(NameFromParam(std::string(700, 'x')).size(), 576u);
    // "ソ" is two bytes: a cut through its middle takes the whole character off.
    const std::string odd = "C:" + std::string(573, 'x') + "ソソ";
    EXPECT_EQ(CutToNameBuffer(odd), "C:" + std::string(573, 'x'));
    EXPECT_EQ(CutToNameBuffer("C:" + std::string(572, 'x') + "ソソ"), "C:" + std::string(572, 'x') + "ソ");
}
