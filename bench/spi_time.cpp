// Times GetPicture of a plug-in on one file: spi_time PLUGIN FILE RUNS.
// Prints the mean milliseconds per decode.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

using GetPictureFn = int(WINAPI*)(LPSTR, LONG, UINT, HANDLE*, HANDLE*, FARPROC, LONG_PTR);

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    HMODULE module = LoadLibraryA(argv[1]);
    auto picture = module ? reinterpret_cast<GetPictureFn>(GetProcAddress(module, "GetPicture")) : nullptr;
    if (!picture) return 3;
    const int runs = std::atoi(argv[3]);
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    for (int i = 0; i < runs; ++i) {
        HANDLE header = nullptr, bits = nullptr;
        if (picture(argv[2], 0, 0, &header, &bits, nullptr, 0) != 0) return 4;
        LocalFree(header);
        LocalFree(bits);
    }
    QueryPerformanceCounter(&b);
    std::printf("%.3f\n", 1000.0 * double(b.QuadPart - a.QuadPart) / double(f.QuadPart) / runs);
    return 0;
}
