// A stand-in picture plug-in; GetPictureInfo only with PROBE_INFO.
#include "archive/library_binding.h"
#include "tests/archive/probe/probe_log.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) probe::OnAttach(self);
    if (reason == DLL_PROCESS_DETACH) probe::Record("unload");
    return TRUE;
}

int WINAPI GetPicture(LPSTR, LONG, UINT, HANDLE*, HANDLE*, FARPROC, LONG_PTR) {
    probe::Record("picture");
    return 2;
}

#ifdef PROBE_INFO
int WINAPI GetPictureInfo(LPSTR, LONG, UINT, qaz::PictureInfo*) {
    probe::Record("pictureinfo");
    return 2;
}
#endif

}  // extern "C"
