// Times one archiver command with the progress window and without it:
// progress_time LIBRARY PREFIX FOLDER RUNS COMMAND. FOLDER becomes the
// current folder. With the window, the command gets a window of this
// program as its caller (the progress window appears after half a second
// and this thread handles messages meanwhile); without it, no window (the
// command runs straight on this thread). The runs alternate; each side
// counts its fastest. Prints both in milliseconds and their ratio.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

using CommandFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);

namespace {

double Once(CommandFn command, HWND window, const char* line, int& result) {
    static char output[577];
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    result = command(window, line, output, sizeof output);
    QueryPerformanceCounter(&b);
    return 1000.0 * double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) return 2;
    HMODULE module = LoadLibraryA(argv[1]);
    auto command = module ? reinterpret_cast<CommandFn>(GetProcAddress(module, argv[2])) : nullptr;
    if (!command) return 3;
    if (!SetCurrentDirectoryA(argv[3])) return 4;
    const int runs = std::atoi(argv[4]);
    HWND caller = CreateWindowExA(0, "STATIC", "caller", WS_POPUP | WS_VISIBLE, 0, 0, 60, 20, nullptr, nullptr,
                                  nullptr, nullptr);
    double shown = 1e300, plain = 1e300;
    int resultShown = 0, resultPlain = 0;
    for (int i = 0; i < runs; ++i) {
        const double s = Once(command, caller, argv[5], resultShown);
        const double p = Once(command, nullptr, argv[5], resultPlain);
        if (s < shown) shown = s;
        if (p < plain) plain = p;
    }
    std::printf("with window %.1f ms (result %d), without %.1f ms (result %d), ratio %.3f\n", shown, resultShown, plain,
                resultPlain, shown / plain);
    return 0;
}
