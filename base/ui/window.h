// A small base for the program's windows: class registration, creation and a
// per-object message handler, plus child-control creation at a rectangle.
#pragma once
#include <windows.h>

#include <string>

namespace qaz::ui {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }

    // Registers a window class whose windows route their messages to the
    // Window object they were created for. Registering twice is harmless.
    static bool RegisterClass(const char* className, HICON icon = nullptr, HBRUSH background = nullptr,
                              UINT style = 0);

    bool Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x, int y, int width,
                int height, HWND parent);
    void Destroy();

protected:
    // Handles a message; the default passes it to DefWindowProc.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called after WM_NCDESTROY, when the handle is gone.
    virtual void OnDestroyed() {}

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// Registers a window class of this module once; registering a class that
// exists already is harmless. Every window class of the program is
// registered here.
bool RegisterWindowClass(const char* className, WNDPROC proc, HICON icon = nullptr, HBRUSH background = nullptr,
                         UINT style = 0);

// Creates a child control of a standard or registered class at a rectangle.
HWND CreateChild(const char* className, const char* text, DWORD style, DWORD exStyle, int x, int y, int width,
                 int height, HWND parent, int id);

// The answer to WM_NCHITTEST for a window that is dragged by its own
// surface: the caption wherever the default answer is the client area.
LRESULT HitTestDragBySurface(HWND hwnd, WPARAM wParam, LPARAM lParam);

// Paints a window dragged by its surface: the whole client area in one
// colour, with a raised grip rectangle at its top left.
void PaintGripSurface(HWND hwnd, COLORREF colour, const RECT& grip);

// Sets a window's client size, keeping its position.
void SetClientSize(HWND hwnd, int width, int height);

// The forms' font: "ＭＳ Ｐゴシック" at 12 pixels, owned by the caller.
HFONT CreateFormFont(int weight);

// A tooltip window for the tools of one window; it goes with its owner.
class Tooltip {
public:
    // Creates the tooltip; max width in pixels lets a text break at "\r\n".
    void Create(HWND owner, int maxWidth = 0);
    // Adds a tool window with its text, or changes the text of one added.
    void Add(HWND tool, const std::string& text);
    void SetText(HWND tool, const std::string& text);
    HWND hwnd() const { return tip_; }

private:
    HWND owner_ = nullptr, tip_ = nullptr;
};

// Runs the message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

// Runs a modal window: its owner is disabled, messages are handled until
// `closed` is set or the window is gone; with dialogKeys, Tab, Enter and
// Escape work as in a dialog. A WM_QUIT met on the way is posted again, so
// the program's own loop still ends.
void RunModal(HWND window, HWND owner, const bool& closed, bool dialogKeys);
// Ends a RunModal: sets `closed` and wakes the loop, which looks at the flag
// only when a message is posted (a close that came as a sent message would
// otherwise leave it waiting).
void EndModal(bool& closed);

// Handles the messages waiting now, without blocking.
void PumpMessages();

}  // namespace qaz::ui
