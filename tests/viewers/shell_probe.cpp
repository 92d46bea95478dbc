// Stands in for a screen saver or a program associated with a file type:
// appends its command line, one line per start, to the file named by
// QAZ_SHELL_PROBE_LOG, and ends.
#include <windows.h>

int main() {
    char log[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("QAZ_SHELL_PROBE_LOG", log, sizeof log)) return 1;
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* line = GetCommandLineA();
    DWORD written = 0;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
    return 0;
}
