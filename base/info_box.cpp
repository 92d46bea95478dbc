#include "base/info_box.h"

namespace qaz {

namespace {
HWND g_owner = nullptr;
}

void SetMessageOwner(HWND owner) { g_owner = owner; }

static HWND Owner() { return g_owner && IsWindow(g_owner) ? g_owner : nullptr; }

void InfoBox(const std::string& text) {
    MessageBoxA(Owner(), text.c_str(), kAppTitle, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

bool AskYesNo(const std::string& text) {
    return MessageBoxA(Owner(), text.c_str(), kAppTitle,
                       MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

}  // namespace qaz
