// The settings dialog of qaz_set.dll.
#pragma once
#include <windows.h>

#include <string>

namespace qaz::setup {

constexpr const char* kSetupTitle = "QAZ の設定";
// Caption of the messages the dialog shows, as the program's own.
constexpr const char* kMessageCaption = "QAZ for win32";
constexpr int kTabId = 900;

// The control that edits field i, and its button (colour or folder chooser).
constexpr int FieldControlId(int i) { return 1000 + 2 * i; }
constexpr int FieldButtonId(int i) { return 1001 + 2 * i; }
// The button that sets a colour field back to none.
constexpr int FieldNoneId(int i) { return 3000 + i; }

// Shows the dialog, modal to owner; writes the values on OK. programPath is
// the program's full path; its folder is where the folder chooser starts.
// True when OK was pressed.
bool RunSetupDialog(HWND owner, const std::string& programPath);

}  // namespace qaz::setup
