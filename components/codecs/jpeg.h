// JPEG (ITU T.81): baseline, extended sequential and progressive Huffman
// coding of 8-bit greyscale and three-component pictures. Arithmetic coding,
// 12-bit samples, lossless, hierarchical and four-component (CMYK) files are
// refused as Unsupported, so that the caller can hand them to another reader.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "components/codecs/picture.h"

namespace qaz::codecs {

struct JpegHeader {
    int width = 0;
    int height = 0;
    int components = 0;       // 1 (grey) or 3
    bool progressive = false;
    uint16_t xDensity = 1;    // from the JFIF header, 1 when it has none
    uint16_t yDensity = 1;
};

// Reads the markers up to the frame header.
DecodeStatus ReadJpegHeader(const uint8_t* data, size_t size, JpegHeader& header);

// Where the decoded rows go. Called once, after the frame header: returns the
// address of the top row's first byte and sets the distance from one row to
// the next (negative for a bottom-up bitmap), or returns nullptr when there
// is no memory for the picture. Each row receives width x 3 bytes.
using JpegRows = std::function<uint8_t*(const JpegHeader& header, ptrdiff_t& stride)>;

enum class JpegOrder { Bgr, Rgb };

// Decodes the whole picture into the rows. Data that ends before the last
// block (or, with several scans, before the end marker) is Corrupt; the
// rows may then hold part of the picture.
DecodeStatus DecodeJpeg(const uint8_t* data, size_t size, const JpegRows& rows, JpegOrder order);

// The same into a top-down RGB picture.
DecodeStatus DecodeJpeg(const uint8_t* data, size_t size, Picture& out);

// For tests: the plain C inverse DCT and colour conversion even where the
// SSE2 ones could run.
void JpegUsePlainCode(bool plain);

}  // namespace qaz::codecs
