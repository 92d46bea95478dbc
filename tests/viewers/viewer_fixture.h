// A bar created in this process, with the viewers it calls.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/bar_window.h"
#include "app/registry.h"
#include "tests/support/test_env.h"
#include "tests/viewers/view_files.h"
#include "viewers/media_controller.h"
#include "viewers/viewers.h"

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        qaztest::ClearSettings();
        qaztest::SetDword(qaz::kRegSettings, "Open", 0);  // nothing goes to the shell here
        qaztest::SetDword(qaz::kRegMain, "TaskTray", 0);
    }
    void TearDown() override {
        if (bar_) {
            qaz::CloseImageWindow(*bar_);
            qaz::CloseMediaController(*bar_);
        }
        bar_.reset();
        qaztest::ClearSettings();
    }
    qaz::BarWindow& Bar() {
        if (!bar_) {
            bar_ = std::make_unique<qaz::BarWindow>();
            EXPECT_TRUE(bar_->Create(nullptr, {}));
            qaztest::PumpFor(30);
        }
        return *bar_;
    }
    // Fills the drop list as the drop intake would and selects entry 0.
    void Fill(const std::vector<std::string>& paths) {
        qaz::BarWindow& bar = Bar();
        SendMessageA(bar.dropList(), LB_RESETCONTENT, 0, 0);
        for (const auto& p : paths) SendMessageA(bar.dropList(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.c_str()));
        SendMessageA(bar.dropList(), LB_SETCURSEL, 0, 0);
        bar.state.FileCount = static_cast<int>(paths.size());
        bar.state.FilesPending = !paths.empty();
    }
    // Queues a 20-second sound and then the picture, and starts the
    // showing with the controller; the sound is then opening or playing.
    qaz::MediaController* StartLongSoundBefore(const std::string& picture) {
        const std::string wav = dir_.path() + "long.wav";
        qaztest::WriteWav(wav, 20000);
        qaztest::WriteBmp(picture, 120, 80);
        Fill({wav, picture});
        qaz::ShowMediaController(Bar());
        Bar().Tick(qaz::Timer2);
        return qaz::CurrentMediaController();
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
    std::unique_ptr<qaz::BarWindow> bar_;
    qaztest::TempDir dir_;
};
