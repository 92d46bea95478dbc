#include "viewers/viewers.h"

#include <windows.h>
#include <shellapi.h>

#include "archive/classify_and_bind.h"
#include "archive/contents_window.h"
#include "base/info_box.h"
#include "base/path_parts.h"
#include "core/file_kind.h"
#include "viewers/decode_picture.h"
#include "viewers/view_rules.h"

namespace qaz {

namespace {

std::string InvalidFile(const std::string& name) { return name + " は不正ファイルです"; }

// Hands the file to the shell. Failures (no association, a vanished file)
// are not reported, and no box of the shell may hold the queue.
void ShellOpen(HWND owner, const std::string& path, const char* parameters) {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = "open";
    info.lpFile = path.c_str();
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&info);
}

}  // namespace

Viewers::Viewers(DropContext& context)
    : context_(context), controller_(context, [this](const std::string& path) { OpenByKind(path); }) {}

int Viewers::ShowPicture(int kind, const std::string& path, const std::string& name) {
    const int delay = DisplayDelay(context_.settings.Bmp);
    if (!image_.Open()) return delay;
    Picture picture;
    if (DecodePicture(kind, path, context_.binding, picture))
        image_.ShowPicture(std::move(picture), path);
    else
        InfoBox(InvalidFile(name));
    return delay;
}

int Viewers::OpenByKind(const std::string& path) {
    const std::string name = LastComponent(path);
    if (mediaWindowCreated()) controller_.SetFileName(name);

    int kind = kindUnknown;
    ClassifyAndBind(context_, path, kind, false);

    if (IsArchiveKind(kind)) {
        ListArchive(context_, path, kind);
        return 1;
    }
    if (kind == kindNativePicture || IsPluginKind(kind)) return ShowPicture(kind, path, name);
    if (kind == kindMedia) {
        if (!mediaWindowCreated()) {
            ShowMediaController();
            controller_.SetFileName(name);
        }
        if (controller_.PlayFile(path)) return -1;
        // Not playable: say so and go on, or an automatic showing would
        // wait for the end of a playing that never began.
        InfoBox(InvalidFile(name));
        return 1;
    }
    HWND owner = context_.host.OwnerWindow();
    if (kind == kindScreenSaver) {
        ShellOpen(owner, path, "/s");
        return DisplayDelay(context_.settings.Scr);
    }
    if (context_.settings.Open) {
        ShellOpen(owner, path, nullptr);
        return DisplayDelay(context_.settings.All);
    }
    return 1;
}

bool Viewers::ShowNextEntry() {
    DropQueue& queue = context_.queue;
    if (!queue.filesPending) return false;
    const int i = queue.Selected();
    const std::string name = queue.Entry(i);
    if (i >= 0 && i < queue.fileCount - 1)
        queue.Select(i + 1);
    else
        queue.filesPending = false;
    const int delay = OpenByKind(name);
    Host& host = context_.host;
    if (host.AutoLoad() && delay > 0) host.ArmQueue(static_cast<UINT>(delay));
    return true;
}

void Viewers::ShowMediaController() {
    if (!controller_.Open()) return;
    ShowWindow(controller_.hwnd(), SW_SHOWNOACTIVATE);
}

void Viewers::ShowListEntry(int step) {
    ShowMediaController();
    if (mediaWindowCreated()) controller_.ShowListEntry(step);
}

void Viewers::CloseImageWindow() { image_.Close(); }

void Viewers::CloseMediaController() { controller_.Close(false); }

}  // namespace qaz
