// qaz_ftp.dll: sends the files named in the caller's list box to the FTP
// server of the settings.
#include <windows.h>

#include "ftp/upload_window.h"

extern "C" __declspec(dllexport) void WINAPI QAZFTP(HWND listBox) { qaz::ftp::RunUpload(listBox); }
