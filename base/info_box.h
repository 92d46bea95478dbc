// The program's message boxes, caption "QAZ for win32".
#pragma once
#include <windows.h>
#include <string>

namespace qaz {

constexpr const char* kAppTitle = "QAZ for win32";

// The window that owns the message boxes (the bar, once it exists).
void SetMessageOwner(HWND owner);

// Tells the user something: OK button, information icon, in front.
void InfoBox(const std::string& text);
// Asks a question: Yes and No with No as default; true for Yes.
bool AskYesNo(const std::string& text);

}  // namespace qaz
