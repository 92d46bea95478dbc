// qaz_ani.dll: animates the bar's 16 x 16 icon.
//
//     void __stdcall QAZAnimation(HDC surface);
//
// surface is the memory device context that holds the icon's picture (owned
// by the bar). From then on a frame is drawn into it every 100 ms and the bar
// is repainted, until the library is unloaded; unloading draws the resting
// frame back. When the bar (class "TJX_QAZMain", title "QAZ") is gone, the
// animation stops by itself.
#include <windows.h>

#include "anim/ani_window.h"
#include "anim/frame_sequence.h"

namespace qaz::anim {

namespace {

HINSTANCE g_module = nullptr;
HDC g_surface = nullptr;  // not owned
HWND g_window = nullptr;

// What the window holds; lives from creation to WM_NCDESTROY.
struct Animation {
    HBITMAP frames[kFrameCount] = {};
    FrameCursor cursor;
};

HWND FindBar() { return FindWindowA(kBarClass, kBarTitle); }

// Copies one frame into the icon and has the bar repaint it.
void DrawFrame(HWND bar, HBITMAP frame) {
    if (!frame || !g_surface) return;  // an empty frame draws nothing
    HDC source = CreateCompatibleDC(g_surface);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, frame);
    BitBlt(g_surface, 0, 0, 16, 16, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void OnCreate(HWND hwnd) {
    auto* a = new Animation;
    for (int i = 0; i < kFrameCount; ++i) {
        char name[16];
        wsprintfA(name, "BITMAP_%d", i + 1);
        a->frames[i] = static_cast<HBITMAP>(LoadImageA(g_module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    }
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(a));
    SetTimer(hwnd, kTimerId, kTimerInterval, nullptr);
}

void OnTimer(HWND hwnd, Animation* a) {
    HWND bar = FindBar();
    if (!bar) {
        // The bar is gone, or it is not ours: the animation ends here. The
        // thread's message loop belongs to the program and is left running.
        KillTimer(hwnd, kTimerId);
        DestroyWindow(hwnd);
        return;
    }
    DrawFrame(bar, a->frames[NextFrame(a->cursor)]);
}

void OnDestroy(HWND hwnd, Animation* a) {
    KillTimer(hwnd, kTimerId);
    if (HWND bar = FindBar()) DrawFrame(bar, a->frames[0]);  // the resting face
    for (HBITMAP& frame : a->frames) {
        if (frame) DeleteObject(frame);
        frame = nullptr;
    }
}

LRESULT CALLBACK AniProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* a = reinterpret_cast<Animation*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_CREATE: OnCreate(hwnd); return 0;
        case WM_TIMER:
            if (a && wParam == kTimerId) OnTimer(hwnd, a);
            return 0;
        case WM_DESTROY:
            if (a) OnDestroy(hwnd, a);
            return 0;
        case WM_NCDESTROY:
            delete a;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            if (hwnd == g_window) g_window = nullptr;
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool RegisterAniClass() {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(g_module, kAniClass, &wc)) return true;
    wc.lpfnWndProc = AniProc;
    wc.hInstance = g_module;
    wc.lpszClassName = kAniClass;
    return RegisterClassExA(&wc) != 0;
}

void Start(HDC surface) {
    if (g_window) DestroyWindow(g_window);  // one animation at a time
    g_surface = surface;
    if (!RegisterAniClass()) return;
    // Never shown: 104 x 29 at the screen's centre, minimised.
    const int w = 104, h = 29;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    g_window = CreateWindowExA(WS_EX_TOOLWINDOW, kAniClass, kAniCaption, WS_POPUP | WS_MINIMIZE, x, y, w, h,
                               nullptr, nullptr, g_module, nullptr);
}

void Stop() {
    if (g_window) DestroyWindow(g_window);
    g_window = nullptr;
    g_surface = nullptr;
    UnregisterClassA(kAniClass, g_module);
}

}  // namespace

}  // namespace qaz::anim

extern "C" void WINAPI QAZAnimation(HDC surface) { qaz::anim::Start(surface); }

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        qaz::anim::g_module = module;
        DisableThreadLibraryCalls(module);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded by the program (not at its end): draw the resting face.
        qaz::anim::Stop();
    }
    return TRUE;
}
