#include "tests/support/view_files.h"

#include <windows.h>

#include <vector>

namespace qaztest {

namespace {

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, unsigned v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

}  // namespace

void WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

void WriteBmp(const std::string& path, int width, int height, unsigned char red) {
    const unsigned stride = (static_cast<unsigned>(width) * 3 + 3) & ~3u;
    const unsigned imageSize = stride * static_cast<unsigned>(height);
    std::string s = "BM";
    Put32(s, 54 + imageSize);
    Put32(s, 0);
    Put32(s, 54);
    Put32(s, 40);
    Put32(s, static_cast<unsigned>(width));
    Put32(s, static_cast<unsigned>(height));
    Put16(s, 1);
    Put16(s, 24);
    Put32(s, 0);
    Put32(s, imageSize);
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, 0);
    Put32(s, 0);
    std::string row(stride, '\0');
    for (int x = 0; x < width; ++x) {
        row[static_cast<size_t>(x) * 3] = static_cast<char>(x & 0xFF);  // blue
        row[static_cast<size_t>(x) * 3 + 1] = 40;
        row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>(red);
    }
    for (int y = 0; y < height; ++y) s += row;
    WriteBytes(path, s);
}

void WriteIco(const std::string& path) {
    const int size = 32;
    const unsigned xorSize = size * size * 4, andSize = size * 4;  // AND rows padded to 4 bytes
    std::string s;
    Put16(s, 0);
    Put16(s, 1);
    Put16(s, 1);
    s += static_cast<char>(size);
    s += static_cast<char>(size);
    s += '\0';
    s += '\0';
    Put16(s, 1);
    Put16(s, 32);
    Put32(s, 40 + xorSize + andSize);
    Put32(s, 22);
    Put32(s, 40);
    Put32(s, size);
    Put32(s, size * 2);
    Put16(s, 1);
    Put16(s, 32);
    Put32(s, 0);
    Put32(s, xorSize + andSize);
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, 0);
    for (int i = 0; i < size * size; ++i) Put32(s, 0xFF00C000);
    s += std::string(andSize, '\0');
    WriteBytes(path, s);
}

void WriteEmf(const std::string& path, int width, int height) {
    RECT frame = {0, 0, width, height};
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), &frame, nullptr);
    Rectangle(dc, 10, 10, 60, 40);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
}

void WritePlaceableWmf(const std::string& path, int width, int height, int unitsPerInch) {
    HDC dc = CreateMetaFileA(nullptr);
    SetWindowExtEx(dc, width, height, nullptr);
    Rectangle(dc, 0, 0, width / 2, height / 2);
    HMETAFILE mf = CloseMetaFile(dc);
    const UINT size = GetMetaFileBitsEx(mf, 0, nullptr);
    std::vector<char> bits(size);
    GetMetaFileBitsEx(mf, size, bits.data());
    DeleteMetaFile(mf);
    std::string s;
    Put32(s, 0x9AC6CDD7);
    Put16(s, 0);
    Put16(s, 0);
    Put16(s, 0);
    Put16(s, static_cast<unsigned>(width));
    Put16(s, static_cast<unsigned>(height));
    Put16(s, static_cast<unsigned>(unitsPerInch));
    Put32(s, 0);
    unsigned sum = 0;
    for (size_t i = 0; i < 20; i += 2)
        sum ^= static_cast<unsigned char>(s[i]) | (static_cast<unsigned char>(s[i + 1]) << 8);
    Put16(s, sum);
    s.append(bits.data(), bits.size());
    WriteBytes(path, s);
}

void WriteWav(const std::string& path, int milliseconds) {
    const unsigned rate = 8000, bytes = rate * static_cast<unsigned>(milliseconds) / 1000;
    std::string s = "RIFF";
    Put32(s, 36 + bytes);
    s += "WAVEfmt ";
    Put32(s, 16);
    Put16(s, 1);
    Put16(s, 1);
    Put32(s, rate);
    Put32(s, rate);
    Put16(s, 1);
    Put16(s, 8);
    s += "data";
    Put32(s, bytes);
    s += std::string(bytes, static_cast<char>(0x80));
    WriteBytes(path, s);
}

}  // namespace qaztest
