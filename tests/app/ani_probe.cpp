// A stand-in animation library that records how the bar uses it.
#include <windows.h>

namespace {

void Bump(const char* name, DWORD add) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\QAZTest\\Ani", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    DWORD value = 0, size = sizeof value;
    RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    value += add;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

}  // namespace

extern "C" void WINAPI QAZAnimation(HDC surface) {
    Bump("Calls", 1);
    // The surface must be a memory device context holding a 16 x 16 bitmap.
    BITMAP bm = {};
    HGDIOBJ bitmap = GetCurrentObject(surface, OBJ_BITMAP);
    const bool ok = GetObjectType(surface) == OBJ_MEMDC && GetObjectA(bitmap, sizeof bm, &bm) &&
                    bm.bmWidth == 16 && bm.bmHeight == 16;
    Bump("GoodSurfaces", ok ? 1 : 0);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH) Bump("Unloads", 1);
    return TRUE;
}
