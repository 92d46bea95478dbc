// A bar created in the test's own process, on a clean settings tree.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/bar_window.h"
#include "base/registry.h"
#include "core/registry_keys.h"
#include "tests/support/test_env.h"

class BarFixture : public ::testing::Test {
protected:
    // Without a tray icon unless a test asks for one: removing it costs
    // Wine's tray two seconds.
    void SetUp() override {
        qaztest::ClearSettings();
        qaztest::SetDword(qaz::kRegMain, "TaskTray", 0);
    }
    void TearDown() override {
        bar_.reset();
        qaztest::ClearSettings();
    }
    qaz::BarWindow& Start(const std::vector<std::string>& params = {}, bool pump = true) {
        bar_ = std::make_unique<qaz::BarWindow>();
        EXPECT_TRUE(bar_->Create(nullptr, params));
        if (pump) qaztest::PumpFor(50);
        return *bar_;
    }
    RECT WindowRect() const {
        RECT r;
        GetWindowRect(bar_->hwnd(), &r);
        return r;
    }
    RECT ClientRect() const {
        RECT r;
        GetClientRect(bar_->hwnd(), &r);
        return r;
    }
    // Top of the icon panel within the bar.
    int SysTop() const {
        RECT r;
        GetWindowRect(bar_->control(qaz::idSys), &r);
        MapWindowPoints(HWND_DESKTOP, bar_->hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r.top;
    }
    void MoveSys(int top) {
        SetWindowPos(bar_->control(qaz::idSys), nullptr, 0, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void ClickIcon() {
        SendMessageA(bar_->hwnd(), WM_COMMAND, MAKEWPARAM(qaz::idImgMain, BN_CLICKED),
                     reinterpret_cast<LPARAM>(bar_->control(qaz::idImgMain)));
    }
    std::unique_ptr<qaz::BarWindow> bar_;
};
