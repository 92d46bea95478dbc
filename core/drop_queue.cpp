#include "core/drop_queue.h"

namespace qaz {

bool DropQueue::Create(HWND parent, int id) {
    list_ = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_NOINTEGRALHEIGHT, 0, 64, 25, 9, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    return list_ != nullptr;
}

void DropQueue::Clear() { SendMessageA(list_, LB_RESETCONTENT, 0, 0); }

void DropQueue::Append(const std::string& path) {
    SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

int DropQueue::Count() const {
    const LRESULT n = SendMessageA(list_, LB_GETCOUNT, 0, 0);
    return n == LB_ERR ? 0 : static_cast<int>(n);
}

std::string DropQueue::Entry(int index) const {
    if (index < 0) return std::string();
    const LRESULT length = SendMessageA(list_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

int DropQueue::Selected() const { return static_cast<int>(SendMessageA(list_, LB_GETCURSEL, 0, 0)); }

void DropQueue::Select(int index) { SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void DropQueue::Settle() {
    fileCount = Count();
    filesPending = fileCount >= 1;
    if (fileCount > 0) Select(0);
}

}  // namespace qaz
