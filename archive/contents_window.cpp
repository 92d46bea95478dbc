#include "archive/contents_window.h"

#include <commctrl.h>

#include "archive/archive_ops.h"
#include "archive/list_file.h"
#include "archive/unpack_command.h"
#include "base/user_paths.h"
#include "core/file_kind.h"

namespace qaz {
namespace {

constexpr char kClassName[] = "TJX_QAZUnpack";
constexpr int kClientWidth = 532, kClientHeight = 354;
constexpr int kListId = 10;

struct Column {
    const char* caption;
    int width;
    int format;
};
const Column kColumns[] = {
    {"ﾌｧｲﾙ名", 140, LVCFMT_LEFT}, {"ｻｲｽﾞ", 70, LVCFMT_RIGHT},     {"ﾚｰﾄ", 45, LVCFMT_RIGHT},
    {"日時", 120, LVCFMT_LEFT},   {"ﾌｫﾙﾀﾞ名", 100, LVCFMT_LEFT}, {"ﾀｲﾌﾟ", 50, LVCFMT_LEFT},
};

}  // namespace

bool ContentsWindow::Create(const std::string& archive, int kind) {
    RegisterClass(kClassName, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    RECT r = {0, 0, kClientWidth, kClientHeight};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;
    HMENU menu = CreateMenu();
    const struct {
        int id;
        const char* text;
        bool enabled;
    } items[] = {
        {msClose, "閉じる(&C)", true},    {msSep1, "|", false}, {msUnpack, "解凍(&U)", true},
        {msAllUnpack, "全て解凍(&A)", true}, {msSep2, "|", false}, {msView, "表示(&V)", *ExtractHead(kind, true) != '\0'},
    };
    for (const auto& item : items)
        AppendMenuA(menu, MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(item.id), item.text);
    AdjustWindowRectEx(&r, style, TRUE, 0);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    if (!ui::Window::Create(kClassName, "QAZ", style, 0, x, y, w, h, context_.host.OwnerWindow())) {
        DestroyMenu(menu);
        return false;
    }
    SetMenu(hwnd(), menu);
    SetWindowTextA(hwnd(), archive.c_str());
    font_.Reset(ui::CreateFormFont(FW_NORMAL));
    lblDllType_ = ui::CreateChild("STATIC", std::to_string(kind).c_str(), WS_CHILD, 0, 4, 4, 4, 12, hwnd(), 0);
    RECT client;
    GetClientRect(hwnd(), &client);
    lvArchive_ = ui::CreateChild(WC_LISTVIEWA, "",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                                 WS_EX_CLIENTEDGE, 0, 0, client.right, client.bottom, hwnd(), kListId);
    SendMessageA(lvArchive_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    SendMessageA(lvArchive_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 6; ++i) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.pszText = const_cast<char*>(kColumns[i].caption);
        col.cx = kColumns[i].width;
        col.fmt = kColumns[i].format;
        SendMessageA(lvArchive_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
    return true;
}

void ContentsWindow::AddRow(const ContentsRow& row) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount();
    item.pszText = const_cast<char*>(row.name.c_str());
    const int at = static_cast<int>(SendMessageA(lvArchive_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    const std::string* cells[] = {&row.size, &row.ratio, &row.date, &row.folder, &row.type};
    for (int i = 0; i < 5; ++i) {
        LVITEMA sub = {};
        sub.iSubItem = i + 1;
        sub.pszText = const_cast<char*>(cells[i]->c_str());
        SendMessageA(lvArchive_, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&sub));
    }
}

int ContentsWindow::RowCount() const { return static_cast<int>(SendMessageA(lvArchive_, LVM_GETITEMCOUNT, 0, 0)); }

void ContentsWindow::ShowModal() {
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    ui::RunModal(hwnd(), context_.host.OwnerWindow(), closed_, false);
    if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
}

std::string ContentsWindow::Caption() const {
    char text[1024] = {};
    GetWindowTextA(hwnd(), text, sizeof text);
    return text;
}

int ContentsWindow::KindFromLabel() const {
    char text[16] = {};
    GetWindowTextA(lblDllType_, text, sizeof text);
    return std::atoi(text);
}

std::string ContentsWindow::CellText(int row, int column) const {
    char text[600] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(lvArchive_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

void ContentsWindow::OnUnpack(bool view) {
    const std::string listFile = TempPath() + "unpack.qaz";
    const std::string work = WorkFolderPath() + "\\";
    const int kind = KindFromLabel();
    ListFile list;
    list.Create(listFile);
    std::vector<std::string> shown;
    for (int row = -1; (row = static_cast<int>(SendMessageA(lvArchive_, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;) {
        const std::string name = CellText(row, 0);
        if (view && !PassesViewFilter(name)) continue;
        list.Write(UnpackListLine(kind, CellText(row, 4), name));
        if (view) shown.push_back(work + name);
    }
    if (!list.Close()) {
        // The archiver would extract fewer rows than were chosen, or none.
        list.ReportFailure();
        DeleteFileA(listFile.c_str());
        return;
    }
    for (const std::string& name : shown) context_.queue.Append(name);
    ExtractArchive(context_, Caption(), listFile.c_str(), kind, view);
    DeleteFileA(listFile.c_str());
}

void ContentsWindow::OnAllUnpack() {
    ExtractArchive(context_, Caption(), nullptr, KindFromLabel(), false);
    ui::EndModal(closed_);
}

bool ListArchive(DropContext& context, const std::string& archive, int kind) {
    std::vector<ArchiveEntry> entries;
    const bool walked = ReadArchiveEntries(context.binding, context.host.OwnerWindow(), archive, kind, entries);
    ContentsWindow window(context);
    if (entries.empty() || !window.Create(archive, kind)) return walked;
    for (const ArchiveEntry& e : entries)
        if (!e.isFolder()) window.AddRow(RowOf(e));
    if (window.RowCount() > 0) window.ShowModal();
    window.Destroy();
    return walked;
}

LRESULT ContentsWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SIZE:
            if (lvArchive_) MoveWindow(lvArchive_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case msClose: ui::EndModal(closed_); return 0;
                case msUnpack: OnUnpack(false); return 0;
                case msView: OnUnpack(true); return 0;
                case msAllUnpack: OnAllUnpack(); return 0;
                default: break;
            }
            break;
        case WM_CLOSE:
            ui::EndModal(closed_);
            return 0;
        default:
            break;
    }
    return ui::Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace qaz
