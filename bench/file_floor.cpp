// The least a Windows program pays under Wine for many small files, to set
// beside the libraries' own times: file_floor FOLDER COUNT SIZE [temp]
// writes COUNT files of SIZE bytes into 50 folders, each straight under its
// name, or with "temp" under a temporary name in a folder of its own and
// then moved to its name. Prints the milliseconds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) return 2;
    const std::string root = argv[1];
    const int count = std::atoi(argv[2]);
    const std::vector<char> data(static_cast<size_t>(std::atoi(argv[3])), 'q');
    const bool viaTemp = argc == 5;
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    for (int d = 0; d < 50; ++d) CreateDirectoryA((root + "\\d" + std::to_string(d)).c_str(), nullptr);
    CreateDirectoryA((root + "\\stage").c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        const std::string name = root + "\\d" + std::to_string(i % 50) + "\\f" + std::to_string(i) + ".dat";
        const std::string path = viaTemp ? root + "\\stage\\t" + std::to_string(i) : name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        DWORD done = 0;
        if (h == INVALID_HANDLE_VALUE || !WriteFile(h, data.data(), DWORD(data.size()), &done, nullptr)) return 3;
        CloseHandle(h);
        if (viaTemp && !MoveFileExA(path.c_str(), name.c_str(), 0)) return 4;
    }
    QueryPerformanceCounter(&b);
    std::printf("%.0f\n", 1000.0 * double(b.QuadPart - a.QuadPart) / double(f.QuadPart));
    return 0;
}
