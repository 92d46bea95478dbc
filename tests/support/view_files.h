// Picture and sound files made by the tests themselves.
#pragma once
#include <string>

namespace qaztest {

// A 24-bit bitmap of the size, filled with one colour.
void WriteBmp(const std::string& path, int width, int height, unsigned char red = 200);
// An icon file with one 32 x 32 picture.
void WriteIco(const std::string& path);
// An enhanced metafile whose frame is width x height hundredths of a mm.
void WriteEmf(const std::string& path, int width, int height);
// A placeable metafile of width x height units at unitsPerInch.
void WritePlaceableWmf(const std::string& path, int width, int height, int unitsPerInch);
// A WAV of silence, 8 kHz, 8 bits, mono.
void WriteWav(const std::string& path, int milliseconds);
// Writes bytes to a file.
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace qaztest
