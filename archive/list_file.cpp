#include "archive/list_file.h"

#include "base/info_box.h"

namespace qaz {

bool ListFile::Create(const std::string& path) {
    Close();
    path_ = path;
    handle_ = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ok_ = handle_ != INVALID_HANDLE_VALUE;
    return ok_;
}

void ListFile::Write(const std::string& line) {
    if (!ok_) return;
    DWORD written = 0;
    ok_ = WriteFile(handle_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) && written == line.size();
}

bool ListFile::Close() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        // Closing flushes: a full disk may show only here.
        if (!FlushFileBuffers(handle_)) ok_ = false;
        if (!CloseHandle(handle_)) ok_ = false;
        handle_ = INVALID_HANDLE_VALUE;
    }
    return ok_;
}

void ListFile::ReportFailure() const { InfoBox(path_ + " に書き込めませんでした"); }

}  // namespace qaz
