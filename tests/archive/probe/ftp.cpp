// A stand-in FTP library: records the names it finds in the list box.
#include "tests/archive/probe/probe_log.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) probe::OnAttach(self);
    if (reason == DLL_PROCESS_DETACH) probe::Record("unload");
    return TRUE;
}

int WINAPI QAZFTP(HWND list) {
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    probe::Record("send " + std::to_string(count) + " selected " +
                  std::to_string(SendMessageA(list, LB_GETCURSEL, 0, 0)));
    for (LRESULT i = 0; i < count; ++i) {
        char name[600] = {};
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
        probe::Record(std::string("file ") + name);
    }
    return 0;
}

}  // extern "C"
