// JPEG, GIF and TIFF files given to qaz.exe are shown through our picture
// plug-ins, and what the image window shows matches ImageMagick's decode.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/registry.h"
#include "core/registry_keys.h"
#include "tests/support/picture_compare.h"
#include "tests/support/test_env.h"

namespace {

class PluginShowTest : public ::testing::Test {
protected:
    void SetUp() override {
        qaztest::ClearSettings();
        qaztest::SetDword(qaz::kRegMain, "TaskTray", 0);
        qaztest::SetDword(qaz::kRegSettings, "Bmp", 10);
        // The image window away from the bar and the controller.
        qaztest::SetDword(qaz::kRegView, "Left", 200);
        qaztest::SetDword(qaz::kRegView, "Top", 200);
    }
    void TearDown() override { qaztest::ClearSettings(); }
};

std::string ImageCaption(HWND w) {
    char text[256] = {};
    if (w && IsWindowVisible(w)) GetWindowTextA(w, text, sizeof text);
    return text;
}

}  // namespace

TEST_F(PluginShowTest, PicturesOfThePlatformFormatsAreShownAsImageMagickDecodesThem) {
    for (const char* file : {"pic.jpg", "pic.gif", "pic.tif"}) {
        SCOPED_TRACE(file);
        qaztest::Rgb reference;
        const std::string data = qaztest::ExeFolder() + "plugin_data\\" + file;
        ASSERT_TRUE(qaztest::ReadPpm(data + ".ppm", reference));

        std::string cmd = "\"" + qaztest::ExeFolder() + "qaz.exe\" \"" + data + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        const std::string caption =
            "[" + std::to_string(reference.width) + " x " + std::to_string(reference.height) + "] " + file;
        HWND image = nullptr;
        const bool shown = qaztest::PumpUntil(
            [&] {
                image = FindWindowA("TJX_QAZImage", nullptr);
                return ImageCaption(image) == caption;
            },
            15000);
        EXPECT_TRUE(shown) << ImageCaption(image);
        if (shown) {
            SetWindowPos(image, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            // GIF and TIFF are lossless: the same pixels; JPEG decoders may
            // round differently. Captured until the window shows it.
            const bool lossless = std::string(file) != "pic.jpg";
            qaztest::Rgb shot;
            const auto matches = [&] {
                return lossless ? qaztest::PixelDifference(shot, reference).empty()
                                : shot.width == reference.width && shot.height == reference.height &&
                                      qaztest::Psnr(shot, reference) >= 30.0;
            };
            qaztest::PumpUntil([&] {
                RedrawWindow(image, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                shot = qaztest::CaptureClient(image);
                return matches();
            });
            ASSERT_EQ(shot.width, reference.width);
            ASSERT_EQ(shot.height, reference.height);
            if (lossless)
                EXPECT_EQ(qaztest::PixelDifference(shot, reference), "");
            else
                EXPECT_GE(qaztest::Psnr(shot, reference), 30.0);
        }
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
            if (HWND bar = FindWindowA("TJX_QAZMain", nullptr)) PostMessageA(bar, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        }
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
}
