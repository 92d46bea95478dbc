// TJX_QAZAltMenu: the small always-on-top window that asks what to do with
// files dropped while Alt is held.
#pragma once
#include <windows.h>

#include "base/ui/window.h"

namespace qaz {

constexpr const char* kChooserClass = "TJX_QAZAltMenu";

class FunctionChooser : public ui::Window {
public:
    ~FunctionChooser() override;
    // Shows the chooser modally beside the bar window; returns the action
    // word of the label clicked, or actCancel when it is closed.
    int Choose(HWND bar);
    // The highlighted label, or -1.
    int highlighted() const { return highlighted_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Highlight(int label);
    HWND labels_[7] = {};
    HFONT font_ = nullptr;
    int highlighted_ = -1;
    int action_ = 0;
    bool closed_ = false;
};

}  // namespace qaz
