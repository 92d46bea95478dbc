#include "intake/send_by_ftp.h"

#include <windows.h>

#include <string>

#include "base/info_box.h"
#include "base/library.h"

namespace qaz {

void SendByFtp(const DropQueue& queue) {
    Library library(kFtpLibrary);
    if (!library) {
        InfoBox(std::string(kFtpLibrary) + " がありません");
        return;
    }
    // The library reads the names from the list box itself.
    using Entry = int(WINAPI*)(HWND);
    if (auto entry = library.Entry<Entry>("QAZFTP")) entry(queue.handle());
}

}  // namespace qaz
