#include "intake/send_by_ftp.h"

#include <windows.h>

#include <string>

#include "app/bar_window.h"
#include "app/info_box.h"

namespace qaz {

void SendByFtp(BarWindow& bar) {
    HMODULE library = LoadLibraryA(kFtpLibrary);
    if (!library) {
        InfoBox(std::string(kFtpLibrary) + " がありません");
        return;
    }
    using Entry = int(WINAPI*)(HWND);
    if (auto entry = reinterpret_cast<Entry>(GetProcAddress(library, "QAZFTP"))) entry(bar.dropList());
    FreeLibrary(library);
}

}  // namespace qaz
