// Comparing decoded or captured pictures with a reference decode.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qaztest {

// Pixels in RGB order, rows top to bottom.
struct Rgb {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

// Reads a binary PPM (P6, maxval 255), as ImageMagick writes it.
bool ReadPpm(const std::string& path, Rgb& out);
// Peak signal-to-noise ratio in dB of two pictures of the same size.
double Psnr(const Rgb& a, const Rgb& b);
// Empty when the pictures are the same pixel for pixel, else where they
// first differ and how many pixels do (for a lossless format's decode).
std::string PixelDifference(const Rgb& got, const Rgb& want);
// The client area of a window as it is on the screen now.
Rgb CaptureClient(HWND window);

}  // namespace qaztest
