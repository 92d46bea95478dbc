// Our JPEG decoder against djpeg on files made by cjpeg and ImageMagick:
// every coding choice those encoders offer that we read decodes to djpeg's
// own pixels (both use the accurate integer IDCT and the same upsampling);
// the coding processes we leave to another reader are refused as such, and
// damaged files as corrupt.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "components/codecs/jpeg.h"
#include "tests/components/codecs/host_files.h"

namespace {

using namespace qaz::codecs;
using Bytes = std::vector<uint8_t>;
using qaztest::ReadAll;
using qaztest::Shell;

// A PPM or PGM as djpeg writes it, widened to RGB.
bool ReadPnm(const std::string& path, int& w, int& h, Bytes& rgb) {
    const Bytes f = ReadAll(path);
    if (f.size() < 2 || f[0] != 'P' || (f[1] != '5' && f[1] != '6')) return false;
    size_t i = 2;
    int fields[3] = {};
    for (int& v : fields) {
        while (i < f.size() && std::isspace(f[i])) ++i;
        while (i < f.size() && std::isdigit(f[i])) v = v * 10 + (f[i++] - '0');
    }
    ++i;
    w = fields[0], h = fields[1];
    const size_t n = size_t(w) * size_t(h), channels = f[1] == '6' ? 3 : 1;
    if (f.size() < i + n * channels) return false;
    rgb.resize(n * 3);
    for (size_t p = 0; p < n; ++p)
        for (int c = 0; c < 3; ++c) rgb[p * 3 + c] = f[i + p * channels + (channels == 3 ? c : 0)];
    return true;
}

double Psnr(const Bytes& a, const Bytes& b) {
    double se = 0;
    for (size_t i = 0; i < a.size(); ++i) se += double(a[i] - b[i]) * double(a[i] - b[i]);
    return se == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * double(a.size()) / se);
}

class Jpeg : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = (std::filesystem::temp_directory_path() / ("qaz_jpeg_" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(dir_);
        // Odd sizes: partial MCUs at the right and bottom edges.
        ASSERT_EQ(Shell("cd " + dir_ + " && convert -size 83x45 plasma:fractal -seed 5 src.ppm && "
                        "convert -size 83x45 plasma:fractal -seed 5 -colorspace gray src.pgm"),
                  0);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }
    static std::string Path(const std::string& name) { return dir_ + "/" + name; }
    static inline std::string dir_;
};

TEST_F(Jpeg, DecodesAsDjpegDoes) {
    const struct {
        const char* name;
        const char* command;  // run in the folder, writing the file named
    } cases[] = {
        {"b420.jpg", "cjpeg -quality 75 src.ppm"},
        {"b422.jpg", "cjpeg -sample 2x1 src.ppm"},
        {"b440.jpg", "cjpeg -sample 1x2 src.ppm"},
        {"b444.jpg", "cjpeg -sample 1x1 -quality 95 src.ppm"},
        {"b411.jpg", "cjpeg -sample 4x1 src.ppm"},
        {"q100.jpg", "cjpeg -quality 100 -sample 1x1 src.ppm"},
        {"restart.jpg", "cjpeg -restart 2 src.ppm"},
        {"restart1.jpg", "cjpeg -restart 1b -sample 2x1 src.ppm"},
        {"optimized.jpg", "cjpeg -optimize src.ppm"},
        {"grey.jpg", "cjpeg -grayscale src.ppm"},
        {"greyfile.jpg", "cjpeg src.pgm"},
        {"p420.jpg", "cjpeg -progressive src.ppm"},
        {"p444.jpg", "cjpeg -progressive -sample 1x1 -quality 95 src.ppm"},
        {"prestart.jpg", "cjpeg -progressive -restart 1b -optimize src.ppm"},
        {"pgrey.jpg", "cjpeg -progressive -grayscale src.ppm"},
        {"rgb.jpg", "cjpeg -rgb src.ppm"},
        {"im50.jpg", "convert src.ppm -quality 50 jpg:-"},
        {"im92.jpg", "convert src.ppm -quality 92 jpg:-"},
        {"im420.jpg", "convert src.ppm -sampling-factor 2x2 -quality 85 jpg:-"},
        {"improg.jpg", "convert src.ppm -interlace JPEG -quality 80 jpg:-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Shell("cd " + dir_ + " && " + c.command + " > " + c.name + " && djpeg -dct int " + c.name + " > " +
                        c.name + ".pnm"),
                  0);
        int w = 0, h = 0;
        Bytes reference;
        ASSERT_TRUE(ReadPnm(Path(c.name) + ".pnm", w, h, reference));
        const Bytes file = ReadAll(Path(c.name));
        for (bool plain : {false, true}) {  // the SSE2 code where it runs, and the plain C
            SCOPED_TRACE(plain ? "plain C" : "SSE2");
            JpegUsePlainCode(plain);
            Picture out;
            ASSERT_EQ(DecodeJpeg(file.data(), file.size(), out), DecodeStatus::Ok);
            ASSERT_EQ(out.width, w);
            ASSERT_EQ(out.height, h);
            EXPECT_TRUE(out.pixels == reference) << "PSNR " << Psnr(out.pixels, reference) << " dB";
        }
        JpegUsePlainCode(false);
    }
}

// Widths around the sixteen pixels that the colour conversion takes at a
// time and heights around the MCU rows, each sampling and colour model.
TEST_F(Jpeg, EdgeSizesAsDjpegDoes) {
    const char* const sizes[] = {"1x1", "15x2", "16x16", "17x9", "31x17", "48x7"};
    const char* const options[] = {"-sample 1x1", "-sample 2x2", "-sample 2x1 -restart 1b", "-grayscale", "-rgb",
                                   "-progressive -sample 1x1"};
    for (const char* size : sizes) {
        ASSERT_EQ(Shell("cd " + dir_ + " && convert -size " + size + " plasma:fractal -seed 9 e.ppm"), 0);
        for (const char* option : options) {
            SCOPED_TRACE(std::string(size) + " " + option);
            ASSERT_EQ(Shell("cd " + dir_ + " && cjpeg " + option + " e.ppm > e.jpg && djpeg -dct int e.jpg > e.pnm"), 0);
            int w = 0, h = 0;
            Bytes reference;
            ASSERT_TRUE(ReadPnm(Path("e.pnm"), w, h, reference));
            const Bytes file = ReadAll(Path("e.jpg"));
            for (bool plain : {false, true}) {
                JpegUsePlainCode(plain);
                Picture out;
                ASSERT_EQ(DecodeJpeg(file.data(), file.size(), out), DecodeStatus::Ok);
                EXPECT_TRUE(out.width == w && out.height == h && out.pixels == reference) << (plain ? "plain C" : "SSE2");
            }
            JpegUsePlainCode(false);
        }
    }
}

TEST_F(Jpeg, BottomUpBgrRowsAndHeader) {
    ASSERT_EQ(Shell("cd " + dir_ + " && convert src.ppm -density 72x144 -units PixelsPerInch d.jpg"), 0);
    const Bytes file = ReadAll(Path("d.jpg"));
    JpegHeader header;
    ASSERT_EQ(ReadJpegHeader(file.data(), file.size(), header), DecodeStatus::Ok);
    EXPECT_EQ(header.width, 83);
    EXPECT_EQ(header.height, 45);
    EXPECT_EQ(header.components, 3);
    EXPECT_EQ(header.xDensity, 72);
    EXPECT_EQ(header.yDensity, 144);

    Picture rgb;
    ASSERT_EQ(DecodeJpeg(file.data(), file.size(), rgb), DecodeStatus::Ok);
    // A bitmap's padded rows, bottom row first.
    const size_t stride = (83 * 3 + 3) & ~size_t{3};
    Bytes dib(stride * 45, 0xEE);
    ASSERT_EQ(DecodeJpeg(file.data(), file.size(),
                         [&](const JpegHeader&, ptrdiff_t& s) {
                             s = -static_cast<ptrdiff_t>(stride);
                             return dib.data() + 44 * stride;
                         },
                         JpegOrder::Bgr),
              DecodeStatus::Ok);
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 83; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(dib[size_t(44 - y) * stride + size_t(x) * 3 + c], rgb.pixels[(size_t(y) * 83 + x) * 3 + 2 - c]);
    EXPECT_EQ(dib[stride - 1], 0xEE) << "the row padding is left alone";

    // No memory for the rows: nothing decoded.
    EXPECT_EQ(DecodeJpeg(file.data(), file.size(), [](const JpegHeader&, ptrdiff_t&) { return nullptr; }, JpegOrder::Rgb),
              DecodeStatus::TooLarge);
}

TEST_F(Jpeg, RefusesWhatAnotherReaderMustRead) {
    ASSERT_EQ(Shell("cd " + dir_ + " && cjpeg -arithmetic src.ppm > a.jpg && cjpeg src.ppm > b.jpg && "
                    "convert src.ppm -colorspace CMYK cmyk.jpg"),
              0);
    const Bytes base = ReadAll(Path("b.jpg"));
    size_t sof = 2;
    while (sof + 4 < base.size() && !(base[sof] == 0xFF && base[sof + 1] == 0xC0)) sof += 2 + (base[sof + 2] << 8 | base[sof + 3]);
    ASSERT_LT(sof + 4, base.size());
    auto with = [&](size_t at, uint8_t value) {
        Bytes b = base;
        b[at] = value;
        return b;
    };
    const struct {
        const char* what;
        Bytes file;
        DecodeStatus status;
    } cases[] = {
        {"arithmetic coding", ReadAll(Path("a.jpg")), DecodeStatus::Unsupported},
        {"four components", ReadAll(Path("cmyk.jpg")), DecodeStatus::Unsupported},
        {"lossless", with(sof + 1, 0xC3), DecodeStatus::Unsupported},
        {"12-bit samples", with(sof + 4, 12), DecodeStatus::Unsupported},
        {"not a JPEG", with(1, 0xD9), DecodeStatus::NotThisFormat},
        {"cut inside the scan", Bytes(base.begin(), base.begin() + base.size() * 2 / 3), DecodeStatus::Corrupt},
        {"cut before the scan", Bytes(base.begin(), base.begin() + sof + 12), DecodeStatus::Corrupt},
        {"no width", with(sof + 8, 0), DecodeStatus::Corrupt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Picture out;
        EXPECT_EQ(DecodeJpeg(c.file.data(), c.file.size(), out), c.status);
    }
    // The header alone is enough to size a cut file.
    JpegHeader header;
    EXPECT_EQ(ReadJpegHeader(base.data(), sof + 40, header), DecodeStatus::Ok);
    EXPECT_EQ(header.width, 83);
}

}  // namespace
