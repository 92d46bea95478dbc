// Decoding through the Windows Imaging Component, for the formats that the
// platform reads itself (JPEG, GIF, TIFF).
#pragma once
#include <windows.h>

#include <cstdint>

#include "components/plugins/common/plugin_shell.h"

namespace qaz::plugins {

// The first frame's size, densities and depth (24) without its pixels.
int DescribeWithWic(const uint8_t* data, size_t size, PictureInfo& info);

// Decodes the first frame of an encoded file in memory straight into a
// 24-bit bottom-up bitmap; returns a result of the plug-in interface.
int DecodeDibWithWic(const uint8_t* data, size_t size, Dib& out);

}  // namespace qaz::plugins
