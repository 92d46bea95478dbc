// Painted child controls of the forms: a panel with an edge, a colour and a
// centred caption, and a picture that shows a bitmap from its own drawing
// surface. A left click on either is sent to the top-level window as
// WM_COMMAND with BN_CLICKED and the control's id.
#pragma once
#include <windows.h>

namespace qaz::ui {

enum class Edge { None, Raised, Lowered, RaisedBevel };

constexpr COLORREF kFaceColor = CLR_INVALID;  // the system's button face

// Registers the classes "QAZPanel" and "QAZPicture".
void RegisterPanelClasses();

HWND CreatePanel(HWND parent, int id, int x, int y, int width, int height, Edge edge);
void SetPanelColors(HWND panel, COLORREF background, COLORREF text);
void SetPanelFont(HWND panel, HFONT font);  // not owned
void SetPanelEdge(HWND panel, Edge edge);

// A picture control with a memory device context holding a bitmap of its
// size; what is drawn into the surface shows at the next paint.
HWND CreatePicture(HWND parent, int id, int x, int y, int width, int height);
HDC PictureSurface(HWND picture);
// Draws a bitmap (not owned) into the surface at 0, 0 and repaints.
void SetPictureBitmap(HWND picture, HBITMAP bitmap);

}  // namespace qaz::ui
