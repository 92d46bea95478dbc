// Every entry our libraries export, called as a program that knows only the
// published signatures calls it, and the sizes that are bigger than a 32-bit
// size_t can hold. Both matter only in the 32-bit build: there a callee that
// does not pop its own arguments (__cdecl where __stdcall is published)
// leaves the caller's stack off by the argument bytes, and a size of 4 GB or
// more wraps when it passes through a size_t.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_env.h"

namespace {

using Args = std::vector<uintptr_t>;

#if defined(__i386__)
// Pushes count arguments, calls fn and returns how many bytes of them the
// callee left on the stack: 0 for a __stdcall entry.
extern "C" uintptr_t CallAndMeasure(const void* fn, const uintptr_t* args, uintptr_t count, uintptr_t* result);
asm(R"(
    .text
    .globl _CallAndMeasure
_CallAndMeasure:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    pushl %ebx
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  movl 8(%ebp), %eax
    call *%eax
    movl 20(%ebp), %ecx
    movl %eax, (%ecx)
    movl %edi, %eax
    subl %esp, %eax
    movl %edi, %esp
    popl %ebx
    popl %edi
    popl %esi
    popl %ebp
    ret
)");
#endif

// Calls fn with the arguments; returns the bytes left on the stack (always
// 0 on a 64-bit build, where there is one calling convention).
uintptr_t Call(FARPROC fn, const Args& args, uintptr_t* result) {
#if defined(__i386__)
    return CallAndMeasure(reinterpret_cast<const void*>(fn), args.data(), args.size(), result);
#else
    using Any = uintptr_t(WINAPI*)(uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t);
    uintptr_t a[7] = {};
    for (size_t i = 0; i < args.size() && i < 7; ++i) a[i] = args[i];
    *result = reinterpret_cast<Any>(fn)(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    return 0;
#endif
}

// Closes the modal windows of one thread (the settings dialog, the sending
// window and its message boxes) until stopped.
class WindowCloser {
public:
    explicit WindowCloser(DWORD thread) : thread_(thread), worker_([this] { Run(); }) {}
    ~WindowCloser() {
        stop_ = true;
        worker_.join();
    }

private:
    static BOOL CALLBACK CloseOne(HWND w, LPARAM) {
        if (IsWindowVisible(w)) PostMessageA(w, WM_CLOSE, 0, 0);
        return TRUE;
    }
    void Run() {
        while (!stop_) {
            Sleep(200);
            EnumThreadWindows(thread_, CloseOne, 0);
        }
    }
    DWORD thread_;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

struct Entry {
    const char* library;
    const char* name;
    Args args;
};

class Exports : public ::testing::Test {
protected:
    void SetUp() override { qaztest::ClearSettings(); }
    void TearDown() override { qaztest::ClearSettings(); }

    qaztest::TempDir temp;
};

uintptr_t P(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// Loads the library, calls the entry and checks the stack; pumps the
// thread's messages for pumpMs before the library goes.
void CallEntry(const Entry& e, int pumpMs = 0) {
    HMODULE library = LoadLibraryA((qaztest::ExeFolder() + e.library).c_str());
    ASSERT_NE(library, nullptr) << e.library;
    FARPROC fn = GetProcAddress(library, e.name);
    EXPECT_NE(fn, nullptr) << e.library << " exports no " << e.name;
    uintptr_t result = 0;
    if (fn) {
        EXPECT_EQ(Call(fn, e.args, &result), 0u)
            << e.library << " " << e.name << " left bytes of its " << e.args.size() << " arguments on the stack";
    }
    if (pumpMs) qaztest::PumpFor(pumpMs);
    FreeLibrary(library);
}

TEST_F(Exports, EveryEntryTakesItsPublishedArgumentsOffTheStack) {
    static char missing[MAX_PATH];
    lstrcpynA(missing, (temp.path() + "missing.bin").c_str(), MAX_PATH);
    static char empty[] = "";
    static char star[] = "*";
    static char output[1024];
    static char entryRecord[1024];
    static char head[2048];  // what IsSupported may be handed instead of a file
    static HANDLE header, bits;
    static char pictureInfo[64];

    std::vector<Entry> entries;
    const struct {
        const char* file;
        const char* prefix;
    } archivers[] = {{"Unlha32.dll", "Unlha"}, {"Unzip32.dll", "UnZip"}, {"Unarj32j.dll", "Unarj"},
                     {"Cab32.dll", "Cab"},     {"Tar32.dll", "Tar"},     {"Ish32.dll", "Ish"}};
    for (const auto& a : archivers) {
        const std::string p = a.prefix;
        static std::vector<std::string> names;  // the entry names live as long as the test
        names.reserve(64);
        auto add = [&](const std::string& name, Args args) {
            names.push_back(name);
            entries.push_back({a.file, names.back().c_str(), std::move(args)});
        };
        const std::string listing = "l \"" + std::string(missing) + "\"";
        static std::vector<std::string> commands;
        commands.reserve(16);
        commands.push_back(listing);
        if (p == "Ish")
            add(p, {0, P(commands.back().c_str())});  // int Ish(HWND, LPCSTR)
        else
            add(p, {0, P(commands.back().c_str()), P(output), sizeof output});
        add(p + "CheckArchive", {P(missing), 0});
        add(p + "GetRunning", {});
        add(p + "OpenArchive", {0, P(missing), 0});
        add(p + "CloseArchive", {0});
        add(p + "FindFirst", {0, P(star), P(entryRecord)});
        add(p + "FindNext", {0, P(entryRecord)});
    }
    for (const char* plugin : {"ifjpeg.spi", "ifgif.spi", "iftiff.spi", "ifmag.spi", "ifpi.spi", "ifpic.spi",
                               "ifpic2.spi", "ifxld4.spi"}) {
        entries.push_back({plugin, "GetPluginInfo", {0, P(output), sizeof output}});
        entries.push_back({plugin, "IsSupported", {P(missing), P(head)}});
        entries.push_back({plugin, "GetPictureInfo", {P(missing), 0, 0, P(pictureInfo)}});
        entries.push_back({plugin, "GetPicture", {P(missing), 0, 0, P(&header), P(&bits), 0, 0}});
        entries.push_back({plugin, "GetPreview", {P(missing), 0, 0, P(&header), P(&bits), 0, 0}});
    }
    entries.push_back({"qaz_set.dll", "QAZSetup", {P(empty)}});

    WindowCloser closer(GetCurrentThreadId());
    for (const Entry& e : entries) CallEntry(e);
}

// The two libraries of the program itself, with what they need to run: the
// animation a surface to draw on, the upload a list box (empty: it connects
// to nobody, says so, and is closed).
TEST_F(Exports, TheProgramsOwnLibrariesTakeTheirArgumentOffTheStack) {
    HDC screen = GetDC(nullptr);
    HDC surface = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(surface, picture);
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    const Entry entries[] = {{"qaz_ani.dll", "QAZAnimation", {P(surface)}}, {"qaz_ftp.dll", "QAZFTP", {P(list)}}};
    {
        WindowCloser closer(GetCurrentThreadId());
        for (const Entry& e : entries) CallEntry(e, 100);
    }
    DestroyWindow(list);
    SelectObject(surface, old);
    DeleteObject(picture);
    DeleteDC(surface);
}

// A tar entry that declares 4 GB and 1,000 bytes but holds only the 1,000:
// in 32 bits the size would wrap to 1,000 and the file come out "whole".
std::string TarDeclaring(uint64_t size, const std::string& body) {
    std::string block(512, '\0');
    auto put = [&](size_t at, const std::string& text) { block.replace(at, text.size(), text); };
    put(0, "big.bin");
    put(100, "0000644");
    put(108, "0000000");
    put(116, "0000000");
    char octal[24];
    snprintf(octal, sizeof octal, "%011llo", static_cast<unsigned long long>(size));
    put(124, octal);
    put(136, "14500000000");
    put(156, "0");
    put(257, std::string("ustar\0" "00", 8));
    put(148, "        ");
    unsigned sum = 0;
    for (unsigned char c : block) sum += c;
    snprintf(octal, sizeof octal, "%06o", sum);
    put(148, std::string(octal) + '\0');
    std::string data = body;
    data.resize((body.size() + 511) / 512 * 512, '\0');
    return block + data + std::string(1024, '\0');
}

TEST_F(Exports, AnEntryAbove4GBIsNeitherWrappedInTheListingNorExtractedShort) {
    const std::string body(1000, 'z');
    const std::string tar = temp.File("big.tar", TarDeclaring((uint64_t{1} << 32) + body.size(), body));
    HMODULE library = LoadLibraryA((qaztest::ExeFolder() + "Tar32.dll").c_str());
    ASSERT_NE(library, nullptr);
    using Open = HANDLE(WINAPI*)(HWND, LPCSTR, DWORD);
    using First = int(WINAPI*)(HANDLE, LPCSTR, void*);
    using Close = int(WINAPI*)(HANDLE);
    using Command = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
    auto open = reinterpret_cast<Open>(GetProcAddress(library, "TarOpenArchive"));
    auto first = reinterpret_cast<First>(GetProcAddress(library, "TarFindFirst"));
    auto close = reinterpret_cast<Close>(GetProcAddress(library, "TarCloseArchive"));
    auto command = reinterpret_cast<Command>(GetProcAddress(library, "Tar"));
    ASSERT_TRUE(open && first && close && command);

    // The listing refuses the archive, which ends 4 GB early, or lists the
    // entry with the record's 32-bit size at "4 GB or more", never 1,000.
    if (HANDLE archive = open(nullptr, tar.c_str(), 0)) {
        uint8_t record[560] = {};
        ASSERT_EQ(first(archive, "*", record), 0);
        uint32_t listed = 0;
        memcpy(&listed, record, sizeof listed);
        EXPECT_EQ(listed, 0xFFFFFFFFu);
        close(archive);
    }

    // Extraction: refused, and nothing under the entry's name.
    const std::string dest = temp.Folder("out");
    char output[2048] = {};
    const int result = command(nullptr, ("xvfo \"" + tar + "\" \"" + dest + "\\\"").c_str(), output, sizeof output);
    EXPECT_NE(result, 0) << output;
    EXPECT_EQ(GetFileAttributesA((dest + "\\big.bin").c_str()), INVALID_FILE_ATTRIBUTES) << output;
    FreeLibrary(library);
}

// A TIFF of 65,536 x 65,537 grey pixels: 2^32 + 65,536 pixels, which a
// 32-bit multiplication wraps to a picture of 65,536 that fits easily.
std::string WrappingTiff() {
    std::string t("II*\0\x08\0\0\0", 8);
    auto u16 = [&](unsigned v) { t += static_cast<char>(v & 0xFF); t += static_cast<char>(v >> 8); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    const struct {
        unsigned tag, type;
        uint32_t value;
    } fields[] = {{256, 4, 65536}, {257, 4, 65537}, {258, 3, 8},   {259, 3, 1},  {262, 3, 1},
                  {273, 4, 0},     {277, 3, 1},     {278, 4, 65537}, {279, 4, 100}};
    const uint32_t dataAt = 8 + 2 + 12 * 9 + 4;
    u16(9);
    for (const auto& f : fields) {
        u16(f.tag);
        u16(f.type);
        u32(1);
        u32(f.tag == 273 ? dataAt : f.value);
    }
    u32(0);
    return t + std::string(100, '\x80');
}

TEST_F(Exports, APictureWhoseSizeWraps32BitsIsRefusedAsTooLarge) {
    const std::string file = temp.File("wrap.tif", WrappingTiff());
    HMODULE library = LoadLibraryA((qaztest::ExeFolder() + "iftiff.spi").c_str());
    ASSERT_NE(library, nullptr);
    using GetPicture = int(WINAPI*)(LPSTR, LONG, UINT, HANDLE*, HANDLE*, FARPROC, LONG);
    auto get = reinterpret_cast<GetPicture>(GetProcAddress(library, "GetPicture"));
    ASSERT_NE(get, nullptr);
    std::string name = file;
    HANDLE header = nullptr, bits = nullptr;
    const int result = get(&name[0], 0, 0, &header, &bits, nullptr, 0);
    EXPECT_EQ(result, 4) << "a picture of 2^32 + 65,536 pixels is too large for memory";
    if (header) LocalFree(header);
    if (bits) LocalFree(bits);
    FreeLibrary(library);
}

}  // namespace
