// Runs one archiver command and prints its time: arc_time LIBRARY PREFIX
// [FOLDER] COMMAND. FOLDER becomes the current folder first (packing names
// its items relative to it). Prints the milliseconds and the result code.
#include <windows.h>

#include <cstdio>
#include <cstring>

using CommandFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) return 2;
    HMODULE module = LoadLibraryA(argv[1]);
    auto command = module ? reinterpret_cast<CommandFn>(GetProcAddress(module, argv[2])) : nullptr;
    if (!command) return 3;
    if (argc == 5 && !SetCurrentDirectoryA(argv[3])) return 4;
    static char output[577];
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    const int result = command(nullptr, argv[argc - 1], output, sizeof output);
    QueryPerformanceCounter(&b);
    std::printf("%.1f %d\n", 1000.0 * double(b.QuadPart - a.QuadPart) / double(f.QuadPart), result);
    return 0;
}
