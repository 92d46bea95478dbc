#include "viewers/viewers.h"

#include <windows.h>
#include <shellapi.h>

#include "app/bar_window.h"
#include "app/info_box.h"
#include "app/path_parts.h"
#include "archive/archive_ops.h"
#include "archive/library_binding.h"
#include "intake/classify.h"
#include "viewers/decode_picture.h"
#include "viewers/image_window.h"
#include "viewers/media_controller.h"

namespace qaz {

namespace {

// One of each window at a time; the objects live as long as the program.
ImageWindow& Image() {
    static auto* window = new ImageWindow;
    return *window;
}

MediaController& Controller() {
    static auto* window = new MediaController;
    return *window;
}

// Seconds from the settings as the queue's delay. A setting of 0 or less
// still moves on: a delay of 0 would leave the queue waiting for a media
// notification that never comes.
int Delay(int seconds) { return seconds > 0 ? seconds * 1000 : 1; }

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

int ShowPicture(BarWindow& bar, int kind, const std::string& path, const std::string& name) {
    const int delay = Delay(bar.settings.Bmp);
    if (!bar.state.ImageWindowCreated) {
        if (!Image().Open(bar)) return delay;
        bar.state.ImageWindowCreated = true;
    }
    Picture picture;
    if (DecodePicture(kind, path, picture))
        Image().ShowPicture(std::move(picture), path);
    else
        InfoBox(InvalidFile(name));
    return delay;
}

}  // namespace

int OpenByKind(BarWindow& bar, const std::string& path) {
    const std::string name = LastComponent(path);
    if (bar.state.MediaWindowCreated) Controller().SetFileName(name);

    int kind = kindUnknown;
    ClassifyAndBind(bar, path, kind, false);

    if (kind >= kFirstArchiveKind) {
        ListArchive(bar, path, kind);
        return 1;
    }
    if (kind >= kindNativePicture && kind <= kLastPluginKind) return ShowPicture(bar, kind, path, name);
    if (kind == kindMedia) {
        if (!bar.state.MediaWindowCreated) {
            ShowMediaController(bar);
            Controller().SetFileName(name);
        }
        if (Controller().PlayFile(path)) return -1;
        // Not playable: say so and go on, or an automatic showing would
        // wait for the end of a playing that never began.
        InfoBox(InvalidFile(name));
        return 1;
    }
    if (kind == kindScreenSaver) {
        ShellOpen(bar.hwnd(), path, "/s");
        return Delay(bar.settings.Scr);
    }
    if (bar.settings.Open) {
        ShellOpen(bar.hwnd(), path, nullptr);
        return Delay(bar.settings.All);
    }
    return 1;
}

void ShowMediaController(BarWindow& bar) {
    if (!bar.state.MediaWindowCreated) {
        if (!Controller().Open(bar)) return;
        bar.state.MediaWindowCreated = true;
    }
    ShowWindow(Controller().hwnd(), SW_SHOWNOACTIVATE);
}

void ShowListEntry(BarWindow& bar, int step) {
    if (!bar.state.MediaWindowCreated) ShowMediaController(bar);
    if (bar.state.MediaWindowCreated) Controller().ShowListEntry(step);
}

void CloseImageWindow(BarWindow& bar) {
    Image().Close();
    bar.state.ImageWindowCreated = false;
}

void CloseMediaController(BarWindow& bar) {
    Controller().Close(false);
    bar.state.MediaWindowCreated = false;
}

ImageWindow* CurrentImageWindow() { return Image().hwnd() ? &Image() : nullptr; }

MediaController* CurrentMediaController() { return Controller().hwnd() ? &Controller() : nullptr; }

}  // namespace qaz
