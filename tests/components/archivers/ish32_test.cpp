// Ish32.dll called as the program calls it (the two-argument "Ish" entry):
// files encoded with every kind and system option come back byte-exact,
// the archive entries list a text's files, nothing is ever replaced by an
// encoding, and damaged or hostile texts write nothing (or nothing outside).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "archive/entry_info.h"
#include "components/codecs/ish.h"
#include "tests/support/test_env.h"

namespace {

using IshFn = int(WINAPI*)(HWND, LPCSTR);
using CheckFn = BOOL(WINAPI*)(LPCSTR, int);
using OpenFn = HANDLE(WINAPI*)(HWND, LPCSTR, DWORD);
using CloseFn = int(WINAPI*)(HANDLE);
using FindFirstFn = int(WINAPI*)(HANDLE, LPCSTR, qaz::ArchiveEntryInfo*);
using FindNextFn = int(WINAPI*)(HANDLE, qaz::ArchiveEntryInfo*);

std::string Bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(f), {});
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class Ish32 : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA((qaztest::ExeFolder() + "Ish32.dll").c_str());
        ASSERT_TRUE(module_);
        ish_ = reinterpret_cast<IshFn>(GetProcAddress(module_, "Ish"));
        check_ = reinterpret_cast<CheckFn>(GetProcAddress(module_, "IshCheckArchive"));
        open_ = reinterpret_cast<OpenFn>(GetProcAddress(module_, "IshOpenArchive"));
        close_ = reinterpret_cast<CloseFn>(GetProcAddress(module_, "IshCloseArchive"));
        first_ = reinterpret_cast<FindFirstFn>(GetProcAddress(module_, "IshFindFirst"));
        next_ = reinterpret_cast<FindNextFn>(GetProcAddress(module_, "IshFindNext"));
        ASSERT_TRUE(ish_ && check_ && open_ && close_ && first_ && next_);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    int Run(const std::string& line) { return ish_(nullptr, line.c_str()); }
    std::vector<std::string> List(const std::string& text) {
        std::vector<std::string> rows;
        HANDLE h = open_(nullptr, text.c_str(), 0);
        if (!h) return rows;
        qaz::ArchiveEntryInfo info;
        for (int r = first_(h, "*.*", &info); r == 0; r = next_(h, &info))
            rows.push_back(std::string(info.path) + " " + std::to_string(info.originalSize) + " " + info.method);
        close_(h);
        return rows;
    }
    static std::string Noise(size_t n) {
        std::string s(n, '\0');
        uint32_t x = 12345;
        for (char& c : s) c = static_cast<char>((x = x * 1103515245 + 12345) >> 16);
        return s;
    }
    // An ISH text made by the codec directly, with any name in its header.
    std::string Text(const std::string& file, const std::string& headerName, const std::string& data) const {
        qaz::codecs::IshEncodeOptions o;
        o.kind = qaz::codecs::IshKind::Jis7;
        o.name = headerName;
        const std::string text =
            qaz::codecs::EncodeIsh(reinterpret_cast<const uint8_t*>(data.data()), data.size(), o);
        return dir_.File(file, text);
    }

    HMODULE module_ = nullptr;
    IshFn ish_ = nullptr;
    CheckFn check_ = nullptr;
    OpenFn open_ = nullptr;
    CloseFn close_ = nullptr;
    FindFirstFn first_ = nullptr;
    FindNextFn next_ = nullptr;
    qaztest::TempDir dir_;
};

}  // namespace

// Every first and second option as the packing sends them, decoded again as
// a drop sends it; the listing names the file with its size and kind.
TEST_F(Ish32, EncodedFilesComeBackByteExact) {
    const char* const kinds[] = {"ss", "s8", "s7", "sn", "s"};
    const char* const systems[] = {"m", "u", "c", "9", "?", "*"};
    const std::string data = Noise(9000) + "end";
    dir_.Folder("src");
    const std::string source = dir_.File("src\\README.TXT", data);
    int n = 0;
    for (const char* kind : kinds) {
        for (const char* system : systems) {
            const std::string out = dir_.Folder("out" + std::to_string(n++));
            ASSERT_EQ(Run(std::string("/") + kind + " /" + system + " " + source + " /f=" + out), 0) << kind << system;
            const std::string text = out + "\\README.ish";
            ASSERT_TRUE(Exists(text)) << kind << system;
            EXPECT_TRUE(check_(text.c_str(), 0) & 0xFF);
            const std::string back = dir_.Folder("back" + std::to_string(n));
            EXPECT_EQ(Run("/q " + text + " /f=" + back + "\\"), 0) << kind << system;
            EXPECT_EQ(Bytes(back + "\\README.TXT"), data) << kind << system;
        }
    }
    const std::vector<std::string> rows = List(dir_.path() + "out0\\README.ish");
    EXPECT_EQ(rows, std::vector<std::string>{"README.TXT 9003 ish sjis"});
    EXPECT_FALSE(check_(source.c_str(), 0) & 0xFF);
}

// Encoding never replaces a file: a second encoding of the same name, or a
// text named like the file's ISH, gets a numbered name.
TEST_F(Ish32, EncodingKeepsEveryExistingFile) {
    const std::string a = dir_.File("NOTE.TXT", "first\n");
    const std::string b = dir_.File("NOTE.DOC", "second\n");
    const std::string old = dir_.File("NOTE.ish", "an older text");
    EXPECT_EQ(Run("/ss /m " + a + " /f=" + dir_.path()), 0);
    EXPECT_EQ(Run("/ss /m " + b), 0);  // without /f= beside the file
    EXPECT_EQ(Bytes(old), "an older text");
    const std::string out = dir_.Folder("out");
    EXPECT_EQ(Run("/q " + dir_.path() + "NOTE_2.ish /f=" + out), 0);
    EXPECT_EQ(Bytes(out + "\\NOTE.TXT"), "first\n");
    EXPECT_EQ(Run("/q " + dir_.path() + "NOTE_3.ish /f=" + out), 0);
    EXPECT_EQ(Bytes(out + "\\NOTE.DOC"), "second\n");
}

// A file whose name is taken: "/q" asks (yes replaces, no keeps, cancel
// stops), "/r" and no option keep it, "/a" writes NAME.000, NAME.001, ...
TEST_F(Ish32, TakenNamesFollowTheRestoreOption) {
    const std::string text = Text("NEW.ish", "DATA.TXT", "new contents");
    struct Case {
        const char* option;
        int button;
        const char* kept;     // DATA.TXT afterwards
        const char* renamed;  // the numbered file, or nullptr
        size_t questions;
    } cases[] = {
        {"/q", IDYES, "new contents", nullptr, 1},
        {"/q", IDNO, "old", nullptr, 1},
        {"/q", IDCANCEL, "old", nullptr, 1},
        {"/r", IDYES, "old", nullptr, 0},
        {"", IDYES, "old", nullptr, 0},
        {"/a", IDYES, "old", "DATA.000", 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string out = dir_.Folder("t" + std::to_string(n++)) + "\\";
        dir_.File("t" + std::to_string(n - 1) + "\\DATA.TXT", "old");
        qaztest::MessageBoxWatcher watcher("Ish32", c.button);
        EXPECT_EQ(Run(std::string(c.option) + " " + text + " /f=" + out), 0) << c.option << c.button;
        EXPECT_EQ(Bytes(out + "DATA.TXT"), c.kept) << c.option << c.button;
        if (c.renamed) {
            EXPECT_EQ(Bytes(out + c.renamed), "new contents");
        }
        EXPECT_EQ(watcher.texts().size(), c.questions) << c.option << c.button;
    }
    // Two files of one name in a text: the second finds the name taken.
    const std::string first = Bytes(Text("a.ish", "TWICE.TXT", "first"));
    const std::string twice = dir_.File("twice.ish", first + "between\r\n" + Bytes(Text("b.ish", "twice.txt", "second")));
    const std::string out = dir_.Folder("two") + "\\";
    EXPECT_EQ(Run(twice + " /f=" + out), 0);
    EXPECT_EQ(Bytes(out + "TWICE.TXT"), "first");
    EXPECT_EQ(Run("/a " + twice + " /f=" + dir_.Folder("two_a")), 0);
    EXPECT_EQ(Bytes(dir_.path() + "two_a\\TWICE.TXT"), "first");
    EXPECT_EQ(Bytes(dir_.path() + "two_a\\TWICE.000"), "second");

    // The question names the file, in the program's language.
    dir_.File("t0\\DATA.TXT", "old");
    qaztest::MessageBoxWatcher watcher("Ish32", IDNO);
    Run("/q " + text + " /f=" + dir_.path() + "t0");
    EXPECT_EQ(watcher.texts(), std::vector<std::string>{"DATA.TXT\n既にファイルが存在しますが、上書きしますか"});
}

// What is refused: unknown options, folders, missing files, texts without
// ISH, damaged texts (nothing written), and names that would lead outside.
TEST_F(Ish32, RefusesWithoutWritingOutside) {
    const std::string file = dir_.File("A.TXT", "abc");
    const std::string folder = dir_.Folder("dir");
    std::string damaged = Bytes(Text("GOOD.ish", "GOOD.BIN", Noise(5000)));
    for (size_t at = damaged.find('\n') + 1, k = 0; k < 12; ++k) {  // many lines of the first block lost
        at = damaged.find('\n', at + 200);
        damaged[at - 10] ^= 1;
    }
    const std::string bad = dir_.File("BAD.ish", damaged);
    struct Case {
        std::string line;
        int result;
    } cases[] = {
        {"/ss /x " + file, 0x801C},
        {"/ss /m " + folder, 0x801C},
        {"/ss /m " + dir_.path() + "none.txt", 0x8029},
        {"/q " + file + " /f=" + dir_.path() + "x\\", 0x8019},
        {"/q " + bad + " /f=" + dir_.path() + "x\\", 0x800C},
        {"/q", 0x801C},
    };
    for (const Case& c : cases) EXPECT_EQ(Run(c.line), c.result) << c.line;
    EXPECT_FALSE(Exists(dir_.path() + "x\\GOOD.BIN"));
    EXPECT_FALSE(Exists(dir_.path() + "A.ish"));

    const std::string inner = dir_.Folder("in");
    const std::string drive = Text("in\\drive.ish", "C:EVIL.TXT", "x");
    const std::string device = Text("in\\device.ish", "AUX.TXT", "x");
    const std::string deep = Text("in\\deep.ish", "A\\B.TXT", "kept inside");
    EXPECT_EQ(Run("/q " + drive + " /f=" + inner), 0x8001);
    EXPECT_EQ(Run("/q " + device + " /f=" + inner), 0x8001);
    EXPECT_EQ(Run("/q " + deep + " /f=" + inner), 0);
    EXPECT_EQ(Bytes(inner + "\\A\\B.TXT"), "kept inside");
    EXPECT_FALSE(Exists("C:\\EVIL.TXT"));
}
