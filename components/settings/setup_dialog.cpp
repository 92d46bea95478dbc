#include "components/settings/setup_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "components/settings/fields.h"

namespace qaz::setup {

namespace {

// Layout in pixels.
constexpr int kClientWidth = 470, kClientHeight = 430;
constexpr int kTabLeft = 8, kTabTop = 8, kTabWidth = kClientWidth - 16, kTabHeight = 24;  // the strip only
constexpr int kFrameBottom = 384;
constexpr int kRowTop = 42, kRowHeight = 26;
constexpr int kLabelLeft = 22, kLabelWidth = 190, kControlLeft = 216;

struct Dialog {
    std::string programFolder;
    Values original, edited;
    std::vector<int> colours;             // current colour of each colour field
    std::vector<std::vector<HWND>> pages; // controls of each page
    HFONT font = nullptr;
    std::vector<HBRUSH> brushes;          // swatch brushes by field
    int page = 0;
};

const char* const kButtonOk = "OK";
const char* const kButtonCancel = "ｷｬﾝｾﾙ";

HWND Child(Dialog& d, HWND dlg, int page, const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
           int id, DWORD exStyle = 0) {
    HWND c = CreateWindowExA(exStyle, cls, text, WS_CHILD | style, x, y, w, h, dlg,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(d.font), FALSE);
    if (page >= 0) d.pages[page].push_back(c);
    return c;
}

std::string ColourText(int colour) {
    if (colour == -1) return "なし";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d, %d, %d", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return buf;
}

void SetColour(Dialog& d, HWND dlg, int i, int colour) {
    d.colours[i] = colour;
    if (d.brushes[i]) DeleteObject(d.brushes[i]);
    d.brushes[i] = colour == -1 ? nullptr : CreateSolidBrush(static_cast<COLORREF>(colour));
    SetDlgItemTextA(dlg, FieldControlId(i), ColourText(colour).c_str());
    InvalidateRect(GetDlgItem(dlg, FieldControlId(i)), nullptr, TRUE);
}

// Puts a value into the controls of field i.
void ShowField(Dialog& d, HWND dlg, int i, const Value& v) {
    const Field& f = SetupFields()[i];
    HWND c = GetDlgItem(dlg, FieldControlId(i));
    switch (f.kind) {
        case Kind::Check: SendMessageA(c, BM_SETCHECK, FieldPart(f, v.number) ? BST_CHECKED : BST_UNCHECKED, 0); break;
        case Kind::Number: SetWindowTextA(c, std::to_string(v.number).c_str()); break;
        case Kind::Colour: SetColour(d, dlg, i, v.number); break;
        case Kind::Info: SetWindowTextA(c, v.text.empty() ? "（保存されていません）" : v.text.c_str()); break;
        case Kind::Folder:
        case Kind::Text:
        case Kind::Secret: SetWindowTextA(c, v.text.c_str()); break;
        case Kind::Choice: {
            const int part = FieldPart(f, v.number);
            SendMessageA(c, CB_RESETCONTENT, 0, 0);
            bool found = false;
            for (const Option& o : f.options) {
                const auto at = SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(o.text));
                SendMessageA(c, CB_SETITEMDATA, at, o.value);
                if (o.value == part) {
                    SendMessageA(c, CB_SETCURSEL, at, 0);
                    found = true;
                }
            }
            if (!found) {  // a value of its own is kept until another is chosen
                const std::string other = "その他 (" + std::to_string(part) + ")";
                const auto at = SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(other.c_str()));
                SendMessageA(c, CB_SETITEMDATA, at, part);
                SendMessageA(c, CB_SETCURSEL, at, 0);
            }
            break;
        }
    }
}

void CreateField(Dialog& d, HWND dlg, int i, int row) {
    const Field& f = SetupFields()[i];
    const int y = kRowTop + row * kRowHeight;
    const int id = FieldControlId(i);
    if (f.kind == Kind::Check) {
        Child(d, dlg, f.page, "BUTTON", f.label, WS_TABSTOP | BS_AUTOCHECKBOX, kLabelLeft, y, 400, 20, id);
        return;
    }
    Child(d, dlg, f.page, "STATIC", f.label, SS_LEFT, kLabelLeft, y + 3, kLabelWidth, 18, -1);
    switch (f.kind) {
        case Kind::Number: {
            Child(d, dlg, f.page, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kControlLeft, y, 90, 21, id,
                  WS_EX_CLIENTEDGE);
            const std::string range =
                std::to_string(f.min) + "～" + std::to_string(f.max) + "（既定 " + std::to_string(f.def) + "）";
            Child(d, dlg, f.page, "STATIC", range.c_str(), SS_LEFT, kControlLeft + 96, y + 3, 140, 18, -1);
            break;
        }
        case Kind::Colour:
            Child(d, dlg, f.page, "STATIC", "", SS_CENTER | SS_SUNKEN, kControlLeft, y, 100, 21, id);
            Child(d, dlg, f.page, "BUTTON", "色の選択...", WS_TABSTOP | BS_PUSHBUTTON, kControlLeft + 104, y, 80, 22,
                  FieldButtonId(i));
            if (f.noneAllowed)
                Child(d, dlg, f.page, "BUTTON", "なし", WS_TABSTOP | BS_PUSHBUTTON, kControlLeft + 188, y, 44, 22,
                      FieldNoneId(i));
            break;
        case Kind::Folder:
            Child(d, dlg, f.page, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kControlLeft, y, 160, 21, id,
                  WS_EX_CLIENTEDGE);
            Child(d, dlg, f.page, "BUTTON", "参照...", WS_TABSTOP | BS_PUSHBUTTON, kControlLeft + 166, y, 56, 22,
                  FieldButtonId(i));
            break;
        case Kind::Text:
        case Kind::Secret:
        case Kind::Info:
            Child(d, dlg, f.page, "EDIT", "",
                  WS_TABSTOP | ES_AUTOHSCROLL | (f.kind == Kind::Secret ? ES_PASSWORD : 0) |
                      (f.kind == Kind::Info ? ES_READONLY : 0),
                  kControlLeft, y, 222, 21, id, WS_EX_CLIENTEDGE);
            break;
        case Kind::Choice:
            Child(d, dlg, f.page, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kControlLeft, y, 222,
                  200, id);
            break;
        case Kind::Check: break;
    }
}

void ShowPage(Dialog& d, int page) {
    d.page = page;
    for (size_t p = 0; p < d.pages.size(); ++p)
        for (HWND c : d.pages[p]) ShowWindow(c, static_cast<int>(p) == page ? SW_SHOW : SW_HIDE);
}

void OnInit(HWND dlg, Dialog& d) {
    SetWindowTextA(dlg, kSetupTitle);
    RECT r = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, GetWindowLongA(dlg, GWL_STYLE), FALSE, GetWindowLongA(dlg, GWL_EXSTYLE));
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w,
                 h, SWP_NOZORDER);
    d.font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック");
    const auto& pages = SetupPages();
    const auto& fields = SetupFields();
    d.pages.assign(pages.size(), {});
    d.colours.assign(fields.size(), 0);
    d.brushes.assign(fields.size(), nullptr);
    HWND tab = Child(d, dlg, -1, WC_TABCONTROLA, "", WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, kTabLeft, kTabTop,
                     kTabWidth, kTabHeight, kTabId);
    Child(d, dlg, -1, "STATIC", "", WS_VISIBLE | SS_ETCHEDFRAME, kTabLeft, kTabTop + kTabHeight - 2, kTabWidth,
          kFrameBottom - kTabTop - kTabHeight + 2, -1);
    for (size_t p = 0; p < pages.size(); ++p) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(pages[p].c_str());
        SendMessageA(tab, TCM_INSERTITEMA, p, reinterpret_cast<LPARAM>(&item));
    }
    std::vector<int> rows(pages.size(), 0);
    for (size_t i = 0; i < fields.size(); ++i) CreateField(d, dlg, static_cast<int>(i), rows[fields[i].page]++);
    HWND ok = Child(d, dlg, -1, "BUTTON", kButtonOk, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                    kClientWidth - 196, kClientHeight - 36, 90, 26, IDOK);
    Child(d, dlg, -1, "BUTTON", kButtonCancel, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kClientWidth - 98,
          kClientHeight - 36, 90, 26, IDCANCEL);
    d.original = ReadValues();
    for (size_t i = 0; i < fields.size(); ++i)
        ShowField(d, dlg, static_cast<int>(i), d.original[ValueId(fields[i])]);
    ShowPage(d, 0);
    SetFocus(ok);
}

std::string WindowText(HWND c) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(c)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(c, &text[0], static_cast<int>(text.size()))));
    return text;
}

// Reads the controls into values; false (after saying why) when a number
// is out of its range.
bool Collect(HWND dlg, Dialog& d) {
    d.edited = d.original;
    const auto& fields = SetupFields();
    for (size_t n = 0; n < fields.size(); ++n) {
        const int i = static_cast<int>(n);
        const Field& f = fields[n];
        Value& v = d.edited[ValueId(f)];
        HWND c = GetDlgItem(dlg, FieldControlId(i));
        switch (f.kind) {
            case Kind::Check:
                v.number = WithPart(f, v.number, SendMessageA(c, BM_GETCHECK, 0, 0) == BST_CHECKED);
                break;
            case Kind::Choice: {
                const auto at = SendMessageA(c, CB_GETCURSEL, 0, 0);
                if (at != CB_ERR) v.number = WithPart(f, v.number, static_cast<int>(SendMessageA(c, CB_GETITEMDATA, at, 0)));
                break;
            }
            case Kind::Colour: v.number = d.colours[i]; break;
            case Kind::Number: {
                const std::string text = WindowText(c);
                if (text == std::to_string(d.original[ValueId(f)].number)) break;  // untouched: kept as it was
                int number = 0;
                if (!ParseNumber(f, text, &number)) {
                    const std::string msg = std::string("「") + f.label + "」には " + std::to_string(f.min) + " から " +
                                            std::to_string(f.max) + " までの数を入れてください";
                    MessageBoxA(dlg, msg.c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
                    TabCtrl_SetCurSel(GetDlgItem(dlg, kTabId), f.page);
                    ShowPage(d, f.page);
                    SetFocus(c);
                    SendMessageA(c, EM_SETSEL, 0, -1);
                    return false;
                }
                v.number = number;
                break;
            }
            case Kind::Folder: v.text = FolderText(WindowText(c), d.original[ValueId(f)].text); break;
            case Kind::Text:
            case Kind::Secret: v.text = WindowText(c); break;
            case Kind::Info: break;
        }
    }
    return true;
}

void ChooseColour(HWND dlg, Dialog& d, int i) {
    static COLORREF custom[16] = {};
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = dlg;
    cc.rgbResult = d.colours[i] == -1 ? RGB(255, 255, 255) : static_cast<COLORREF>(d.colours[i]);
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (ChooseColorA(&cc)) SetColour(d, dlg, i, static_cast<int>(cc.rgbResult & 0xFFFFFF));
}

int CALLBACK BrowseStart(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

void ChooseFolder(HWND dlg, Dialog& d, int i) {
    char current[MAX_PATH] = {};
    GetDlgItemTextA(dlg, FieldControlId(i), current, sizeof current);
    std::string start = current[0] ? current : d.programFolder;
    if (start.size() > 3 && start.back() == '\\') start.pop_back();
    BROWSEINFOA bi = {};
    bi.hwndOwner = dlg;
    bi.lpszTitle = SetupFields()[i].label;
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lpfn = BrowseStart;
    bi.lParam = reinterpret_cast<LPARAM>(start.c_str());
    LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
    if (!chosen) return;
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, path)) SetDlgItemTextA(dlg, FieldControlId(i), FolderText(path, "").c_str());
    CoTaskMemFree(chosen);
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<Dialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dlg, DWLP_USER, lParam);
            OnInit(dlg, *reinterpret_cast<Dialog*>(lParam));
            return FALSE;  // the focus is set
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            if (d && hdr->idFrom == kTabId && hdr->code == TCN_SELCHANGE)
                ShowPage(*d, TabCtrl_GetCurSel(hdr->hwndFrom));
            return TRUE;
        }
        case WM_CTLCOLORSTATIC: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            const int i = (id - 1000) / 2;
            if (d && id >= 1000 && id % 2 == 0 && i < static_cast<int>(d->brushes.size()) && d->brushes[i]) {
                const COLORREF c = static_cast<COLORREF>(d->colours[i]);
                SetBkColor(reinterpret_cast<HDC>(wParam), c);
                const int light = GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c);
                SetTextColor(reinterpret_cast<HDC>(wParam), light > 1280 ? RGB(0, 0, 0) : RGB(255, 255, 255));
                return reinterpret_cast<INT_PTR>(d->brushes[i]);
            }
            return FALSE;
        }
        case WM_COMMAND: {
            if (!d) return FALSE;
            const int id = LOWORD(wParam);
            if (id == IDOK) {
                if (!Collect(dlg, *d)) return TRUE;
                if (WriteChanged(d->original, d->edited)) {
                    EndDialog(dlg, IDOK);
                    return TRUE;
                }
                // What was written is kept; the rest is tried again on the next OK.
                d->original = ReadValues();
                MessageBoxA(dlg, "設定を書き込めませんでした。変更の一部は保存されていません", kMessageCaption,
                            MB_OK | MB_ICONEXCLAMATION);
                return TRUE;
            }
            if (id == IDCANCEL) {
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            if (id >= FieldNoneId(0) && HIWORD(wParam) == BN_CLICKED) {
                const int i = id - FieldNoneId(0);
                if (i < static_cast<int>(SetupFields().size()) && SetupFields()[i].noneAllowed) SetColour(*d, dlg, i, -1);
                return TRUE;
            }
            if (id > 1000 && id % 2 == 1 && HIWORD(wParam) == BN_CLICKED) {
                const int i = (id - 1001) / 2;
                if (i < static_cast<int>(SetupFields().size())) {
                    if (SetupFields()[i].kind == Kind::Colour) ChooseColour(dlg, *d, i);
                    if (SetupFields()[i].kind == Kind::Folder) ChooseFolder(dlg, *d, i);
                }
                return TRUE;
            }
            return FALSE;
        }
        case WM_DESTROY:
            if (d) {
                for (HBRUSH b : d->brushes)
                    if (b) DeleteObject(b);
                d->brushes.clear();
                if (d->font) DeleteObject(d->font);
                d->font = nullptr;
            }
            return FALSE;
    }
    return FALSE;
}

}  // namespace

bool RunSetupDialog(HWND owner, const std::string& programPath) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    Dialog d;
    d.programFolder = programPath.substr(0, programPath.find_last_of('\\') + 1);
    // An empty frame; the controls are made in code at their pixel places.
    struct {
        DLGTEMPLATE head;
        WORD menu, cls, title;
    } tmpl = {};
    tmpl.head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    tmpl.head.cx = 300;
    tmpl.head.cy = 250;
    const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &tmpl.head, owner, DialogProc,
                                                   reinterpret_cast<LPARAM>(&d));
    return result == IDOK;
}

}  // namespace qaz::setup
