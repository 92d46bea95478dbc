// The viewers on a stand-in host, with the settings and drop queue a bar
// would hand them; the stand-in's queue steps as the bar's does.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/registry_keys.h"
#include "tests/support/fake_host.h"
#include "tests/support/test_env.h"
#include "tests/support/view_files.h"
#include "viewers/media_controller.h"
#include "viewers/viewers.h"

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        qaztest::ClearSettings();
        bench_.settings.Open = false;  // nothing goes to the shell here
        bench_.host.onStep = [this] { viewers_.ShowNextEntry(); };
    }
    void TearDown() override {
        viewers_.CloseImageWindow();
        viewers_.CloseMediaController();
        qaztest::ClearSettings();
    }
    // Fills the drop queue as the drop intake would and selects entry 0.
    void Fill(const std::vector<std::string>& paths) {
        queue_.Clear();
        for (const auto& p : paths) queue_.Append(p);
        queue_.Settle();
    }
    qaz::ImageWindow* CurrentImageWindow() { return viewers_.imageWindowCreated() ? &viewers_.image() : nullptr; }
    qaz::MediaController* CurrentMediaController() {
        return viewers_.mediaWindowCreated() ? &viewers_.controller() : nullptr;
    }
    // The picture of that file is in the image window.
    bool Showing(const std::string& path) {
        qaz::ImageWindow* image = CurrentImageWindow();
        return image && image->currentPath() == path;
    }
    // Queues a 20-second sound and then the picture, and starts the
    // showing with the controller; the sound is then opening or playing.
    qaz::MediaController* StartLongSoundBefore(const std::string& picture) {
        const std::string wav = dir_.path() + "long.wav";
        qaztest::WriteWav(wav, 20000);
        qaztest::WriteBmp(picture, 120, 80);
        Fill({wav, picture});
        viewers_.ShowMediaController();
        viewers_.ShowNextEntry();
        return CurrentMediaController();
    }
    static std::string Caption(HWND h) {
        char text[512] = {};
        GetWindowTextA(h, text, sizeof text);
        return text;
    }
    static SIZE ClientSize(HWND h) {
        RECT r;
        GetClientRect(h, &r);
        return {r.right, r.bottom};
    }
    qaztest::Bench bench_;
    qaztest::FakeHost& host_ = bench_.host;
    qaz::Settings& settings_ = bench_.settings;
    qaz::DropQueue& queue_ = bench_.queue;
    qaz::Viewers viewers_{bench_.context};
    qaztest::TempDir dir_;
};
