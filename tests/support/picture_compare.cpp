#include "tests/support/picture_compare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace qaztest {

bool ReadPpm(const std::string& path, Rgb& out) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> out.width >> out.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255) return false;
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    in.read(reinterpret_cast<char*>(out.rgb.data()), static_cast<std::streamsize>(out.rgb.size()));
    return static_cast<bool>(in);
}

double Psnr(const Rgb& a, const Rgb& b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 0.0;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = double(a.rgb[i]) - double(b.rgb[i]);
        sum += d * d;
    }
    const double mse = sum / double(a.rgb.size());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::string PixelDifference(const Rgb& got, const Rgb& want) {
    if (got.width != want.width || got.height != want.height || got.rgb.size() != want.rgb.size())
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + ", not " +
               std::to_string(want.width) + "x" + std::to_string(want.height);
    auto rgb = [](const Rgb& p, size_t at) {
        char text[16];
        std::snprintf(text, sizeof text, "%02X%02X%02X", p.rgb[at], p.rgb[at + 1], p.rgb[at + 2]);
        return std::string(text);
    };
    std::string first;
    size_t count = 0;
    for (size_t at = 0; at + 2 < got.rgb.size(); at += 3) {
        if (std::equal(&got.rgb[at], &got.rgb[at] + 3, &want.rgb[at])) continue;
        if (!count++) {
            const size_t pixel = at / 3, width = static_cast<size_t>(want.width);
            first = "at " + std::to_string(pixel % width) + "," + std::to_string(pixel / width) + ": " + rgb(got, at) +
                    ", not " + rgb(want, at);
        }
    }
    return count ? std::to_string(count) + " pixels differ, first " + first : std::string();
}

Rgb CaptureClient(HWND window) {
    Rgb out;
    RECT r;
    if (!GetClientRect(window, &r)) return out;
    out.width = r.right;
    out.height = r.bottom;
    HDC src = GetDC(window);
    HDC mem = CreateCompatibleDC(src);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = out.width;
    bi.bmiHeader.biHeight = -out.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(src, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, out.width, out.height, src, 0, 0, SRCCOPY);
    GdiFlush();
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    const auto* px = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; bits && i < static_cast<size_t>(out.width) * out.height; ++i) {
        out.rgb[i * 3] = px[i * 4 + 2];
        out.rgb[i * 3 + 1] = px[i * 4 + 1];
        out.rgb[i * 3 + 2] = px[i * 4];
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(window, src);
    return out;
}

}  // namespace qaztest
