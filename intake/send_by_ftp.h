// Handing the drop list to the FTP upload library.
#pragma once

namespace qaz {

class BarWindow;

constexpr const char* kFtpLibrary = "qaz_ftp.dll";

// Loads the FTP library and lets it upload the files of the drop list;
// returns when its upload window has closed.
void SendByFtp(BarWindow& bar);

}  // namespace qaz
