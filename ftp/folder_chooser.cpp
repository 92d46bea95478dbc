#include "ftp/folder_chooser.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "ftp/dir_rows.h"
#include "ftp/form_layout.h"

namespace qaz::ftp {

namespace {

// Extensions longer than this are not asked of the shell (a listed name can
// be of any length); their rows get the type made from the extension.
constexpr size_t kMaxAskedExtension = 32;
// The shell's answers kept at most; beyond this the store starts afresh.
constexpr size_t kMaxShellTypes = 256;
// Added to the chooser's caption when the server's listing was cut short.
constexpr const char* kCutNote = " （一覧は途中まで）";

struct LstrcmpLess {
    bool operator()(const std::string& a, const std::string& b) const { return lstrcmpA(a.c_str(), b.c_str()) < 0; }
};

HIMAGELIST SystemImageList(UINT size) {
    SHFILEINFOA info = {};
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfoA("*.*", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | size));
}

void AddTip(HWND tips, HWND owner, HWND control, const char* text) {
    TOOLINFOA ti = {};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = const_cast<char*>(text);
    SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

}  // namespace

FolderChooser::~FolderChooser() {
    Destroy();
    if (font_) DeleteObject(font_);
}

void FolderChooser::ShowModal(HWND owner) {
    RegisterClass(kChooserClass, nullptr, GetSysColorBrush(COLOR_BTNFACE));
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
    const RECT r = CentredWindowRect(370, 291, style, exStyle);
    if (!Create(kChooserClass, "FTP", style, exStyle, r.left, r.top, r.right - r.left, r.bottom - r.top, owner))
        return;
    font_ = ui::CreateFormFont(FW_NORMAL);
    // In tab order. The panel's controls are children of the form at the
    // panel's offset, so that their notifications come here.
    fileList_ = ui::CreateChild(WC_LISTVIEWA, "",
                                WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                    LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER,
                                WS_EX_CLIENTEDGE, 8, 48, 353, 209, hwnd(), kList);
    edtMake_ = ui::CreateChild("EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 16, 16, 169,
                               20, hwnd(), kEdit);
    HWND make = ui::CreateChild("BUTTON", "作成", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 190, 16, 75, 21, hwnd(),
                                kMake);
    HWND del = ui::CreateChild("BUTTON", "削除", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 285, 16, 75, 21, hwnd(),
                               kDelete);
    ui::CreateChild("BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 208, 264, 75, 21, hwnd(), IDOK);
    ui::CreateChild("BUTTON", "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 288, 264, 75, 21, hwnd(),
                    IDCANCEL);
    // The panel's lowered frame, under the controls it holds.
    ui::CreateChild("STATIC", "", WS_VISIBLE | WS_CLIPSIBLINGS | SS_SUNKEN, 0, 8, 8, 265, 36, hwnd(), 100);

    struct Column {
        const char* title;
        int width;
        int format;
    } const columns[] = {{"Filename", 130, LVCFMT_LEFT}, {"Size", 50, LVCFMT_RIGHT}, {"Type", 70, LVCFMT_LEFT},
                         {"Date", 80, LVCFMT_LEFT}};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA c = {};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        c.fmt = columns[i].format;
        c.cx = columns[i].width;
        c.pszText = const_cast<char*>(columns[i].title);
        c.iSubItem = i;
        SendMessageA(fileList_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
    }
    SendMessageA(fileList_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);

    tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, GetModuleHandleA(nullptr),
                            nullptr);
    AddTip(tips_, hwnd(), edtMake_, "作成したいフォルダ名を入力して下さい");
    AddTip(tips_, hwnd(), make, "フォルダを作成する場合に押して下さい");
    AddTip(tips_, hwnd(), del, "フォルダを削除する場合に押して下さい");
    ApplyFont(hwnd(), font_);

    FormCreate();
    if (closed_) {  // abandoned while the first folder was listed
        Destroy();
        return;
    }
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    SetFocus(fileList_);
    ui::RunModal(hwnd(), owner, closed_, true);
    Destroy();
}

void FolderChooser::FormCreate() {
    session_.chooserCancelled = false;
    SendMessageA(fileList_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(SystemImageList(SHGFI_SMALLICON)));
    SendMessageA(fileList_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(SystemImageList(SHGFI_LARGEICON)));
    SetCaption(hwnd(), "FTP - Refresh");
    ClearRows();
    session_.remotePath = "/";
    working_ = true;
    ListRemotePath();
    working_ = false;
    ShowPlace();
}

void FolderChooser::Abandon() {
    session_.chooserCancelled = true;
    ui::EndModal(closed_);
}

void FolderChooser::ClearRows() {
    SendMessageA(fileList_, LVM_DELETEALLITEMS, 0, 0);
    captions_.clear();
}

// Lists the shown folder. Cancel stays usable while the rows come, however
// long the server takes.
// The list draws again only at the end: a list view drawing each new row
// takes many times longer than placing it.
void FolderChooser::ListRemotePath() {
    SendMessageA(fileList_, WM_SETREDRAW, FALSE, 0);
    ftp_.List(session_.remotePath);
    EnableButtons(false);
    EnableWindow(GetDlgItem(hwnd(), IDCANCEL), TRUE);
    WaitWhileBusy();
    EnableButtons(true);
    SendMessageA(fileList_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(fileList_, nullptr, TRUE);
}

void FolderChooser::ShowPlace() {
    SetCaption(hwnd(), "FTP - " + session_.remotePath + (ftp_.ListCut() ? kCutNote : ""));
}

void FolderChooser::ShellType(const std::string& extension, std::string* type, int* icon) {
    const std::string asked = extension.size() <= kMaxAskedExtension ? extension : std::string();
    auto known = shellTypes_.find(asked);
    if (known == shellTypes_.end()) {
        if (shellTypes_.size() >= kMaxShellTypes) shellTypes_.clear();
        SHFILEINFOA info = {};
        const std::string probe = "c:\\*" + asked;
        SHGetFileInfoA(probe.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        known = shellTypes_.emplace(asked, std::make_pair(std::string(info.szTypeName), info.iIcon)).first;
    }
    *type = TypeText(asked.size() == extension.size() ? known->second.first : std::string(), extension);
    *icon = known->second.second;
}

void FolderChooser::AddListRow(const std::string& name, int attributes, int64_t size, const std::string& date) {
    if (!fileList_) return;
    const std::string caption = RowCaption(name, session_.remotePath);
    std::string type;
    int icon = 0;
    if (attributes == 1) {
        type = kFolderType;
        icon = 3;
    } else {
        ShellType(NameExtension(name), &type, &icon);
    }
    // Rows stay sorted by caption as the system compares texts; a new row
    // goes after those that compare equal.
    const auto place = std::upper_bound(captions_.begin(), captions_.end(), caption, LstrcmpLess());
    const int at = static_cast<int>(place - captions_.begin());
    // The name as the server gave it rides along for the server's sake.
    auto* serverName = new std::string(ServerName(name, caption));
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = at;
    item.pszText = const_cast<char*>(caption.c_str());
    item.iImage = icon;
    item.lParam = reinterpret_cast<LPARAM>(serverName);
    const int row = static_cast<int>(SendMessageA(fileList_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) {
        delete serverName;
        return;
    }
    captions_.insert(captions_.begin() + row, caption);
    const std::string texts[3] = {SizeText(size), type, date};
    for (int column = 1; column <= 3; ++column) {
        LVITEMA sub = {};
        sub.iSubItem = column;
        sub.pszText = const_cast<char*>(texts[column - 1].c_str());
        SendMessageA(fileList_, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    }
}

int FolderChooser::SelectedRow() const {
    return static_cast<int>(SendMessageA(fileList_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::string FolderChooser::RowText(int row, int column) const {
    char text[1024] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(fileList_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::string FolderChooser::RowServerName(int row) const {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(fileList_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    const auto* name = reinterpret_cast<const std::string*>(item.lParam);
    return name ? *name : RowText(row, 0);
}

void FolderChooser::EnableButtons(bool on) {
    for (int id : {static_cast<int>(kDelete), static_cast<int>(kMake), IDOK, IDCANCEL})
        EnableWindow(GetDlgItem(hwnd(), id), on);
}

void FolderChooser::WaitWhileBusy() {
    WaitUntil([this] { return !ftp_.Busy(); });
}

void FolderChooser::Refresh() {
    SetCaption(hwnd(), "FTP - Refresh");
    ClearRows();
    ListRemotePath();
}

void FolderChooser::FileListDblClick() {
    if (working_) return;  // one operation at a time
    const int row = SelectedRow();
    if (row < 0 || RowText(row, 2) != kFolderType) return;
    const std::string caption = RowText(row, 0);
    const std::string name = RowServerName(row);
    working_ = true;
    ClearRows();
    SetCaption(hwnd(), "FTP - ChangeDir");
    // A name the client will not send (it holds a line break or a NUL)
    // leaves the server where it is, and so the shown folder.
    const bool sent = ftp_.ChangeDir(name);
    EnableButtons(false);
    WaitWhileBusy();
    EnableButtons(true);
    if (sent) session_.remotePath = NextRemotePath(session_.remotePath, name);
    ListRemotePath();
    working_ = false;
    ShowPlace();
}

void FolderChooser::btnMakeClick() {
    working_ = true;
    SetCaption(hwnd(), "FTP - MakeDir");
    EnableButtons(false);
    char text[1024] = {};
    GetWindowTextA(edtMake_, text, sizeof text);
    ftp_.CreateDir(TrimBlanks(text));
    WaitWhileBusy();
    Refresh();
    SetWindowTextA(edtMake_, "");
    EnableButtons(true);
    working_ = false;
    ShowPlace();
}

void FolderChooser::btnDelClick() {
    const int row = SelectedRow();
    if (row < 0 || working_) return;
    const bool folder = RowText(row, 2) == kFolderType;
    const std::string name = RowServerName(row);
    working_ = true;
    SetCaption(hwnd(), "FTP - Delete");
    EnableButtons(false);
    if (folder) {
        ftp_.DeleteDir(name);
    } else {
        ftp_.DeleteFile(name);
    }
    WaitWhileBusy();
    Refresh();
    EnableButtons(true);
    working_ = false;
    ShowPlace();
}

void FolderChooser::FormCloseQuery() {
    EnableButtons(false);
    WaitWhileBusy();
    ui::EndModal(closed_);
}

LRESULT FolderChooser::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED && HIWORD(wParam) != 0) break;
        switch (LOWORD(wParam)) {
        case kMake: btnMakeClick(); return 0;
        case kDelete: btnDelClick(); return 0;
        case IDOK:
            if (IsWindowEnabled(GetDlgItem(hwnd(), IDOK))) FormCloseQuery();
            return 0;
        case IDCANCEL:
            if (!IsWindowEnabled(GetDlgItem(hwnd(), IDCANCEL))) return 0;
            session_.chooserCancelled = true;
            if (ftp_.Busy()) ftp_.Cancel();  // a listing still running
            FormCloseQuery();
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == kList && header->code == NM_DBLCLK) FileListDblClick();
        if (header->idFrom == kList && header->code == LVN_DELETEITEM) {
            const auto* view = reinterpret_cast<const NMLISTVIEW*>(lParam);
            delete reinterpret_cast<std::string*>(view->lParam);
        }
        return 0;
    }
    case WM_CLOSE:
        FormCloseQuery();
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace qaz::ftp
