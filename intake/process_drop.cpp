#include "intake/process_drop.h"

#include "app/bar_window.h"
#include "app/collect_files.h"
#include "archive/archive_ops.h"
#include "archive/library_binding.h"
#include "archive/pack_steps.h"
#include "intake/action.h"
#include "intake/classify.h"
#include "intake/send_by_ftp.h"

namespace qaz {

namespace {

bool IsFolder(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void Append(BarWindow& bar, const std::string& name) {
    SendMessageA(bar.dropList(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

bool Viewable(const BarWindow& bar, const std::string& name) { return bar.settings.Open || PassesViewFilter(name); }

// Every file below a dropped folder that the viewers may show.
void AppendFolder(BarWindow& bar, const std::string& folder) {
    CollectOptions o;
    o.mask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    o.takePlain = true;
    o.clearFirst = true;
    o.recursive = true;
    std::vector<std::string> files;
    CollectFiles(folder, o, files);
    for (const std::string& path : files) {
        // A sub-folder can carry the read-only or archive attribute too.
        if (IsFolder(path)) continue;
        if (Viewable(bar, path)) Append(bar, path);
    }
}

void ViewItem(BarWindow& bar, const std::string& name) {
    if (IsFolder(name)) {
        AppendFolder(bar, name);
        return;
    }
    int kind = kindUnknown;
    ClassifyAndBind(bar, name, kind, true);
    if (kind >= kindLzh) {
        const bool listable = kind == kindLzh || kind == kindArj || kind == kindCab || kind == kindTar;
        if (bar.settings.UnpackFilesSelect && listable)
            ListArchive(bar, name, kind);
        else
            ExtractArchive(bar, name, nullptr, kind, false);
        return;
    }
    if (Viewable(bar, name)) Append(bar, name);
}

}  // namespace

std::string NameFromParam(const std::string& param) {
    std::string name = param;
    if (!name.empty() && name[0] == '"') {
        name.erase(0, 1);
        // Only a closing quote goes; an unbalanced one keeps the last character.
        if (!name.empty() && name.back() == '"') name.pop_back();
    }
    return CutToNameBuffer(name);
}

std::string CutToNameBuffer(const std::string& name) {
    if (name.size() < kNameBufferSize) return name;
    // Cut at a character boundary: a lead byte never loses its trail byte.
    size_t end = 0;
    while (end < name.size()) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(name[end])) && end + 1 < name.size() ? 2 : 1;
        if (end + step > kNameBufferSize - 1) break;
        end += step;
    }
    return name.substr(0, end);
}

void ProcessDrop(BarWindow& bar, const DropSource& source) {
    const auto releaseDrop = [&] {
        if (source.drop) DragFinish(source.drop);
    };
    bar.state.FileCount = 0;
    bar.state.FilesPending = false;

    int action = ChooseAction(bar);
    if (action == actCancel) {
        releaseDrop();
        return;
    }
    PackJob job;
    if (HasAction(action, actRename)) {
        job.askName = true;
        action &= ~actRename;
    }
    job.action = action;
    // A format the settings library never writes packs as LZH, the default.
    job.format = bar.settings.PackDef >= 1 && bar.settings.PackDef <= 4 ? bar.settings.PackDef : 1;
    SendMessageA(bar.dropList(), LB_RESETCONTENT, 0, 0);

    const bool view = HasAction(action, actView);
    const bool ftp = !view && HasAction(action, actFtp);
    const bool pack = !view && !ftp && (HasAction(action, actArchive) || HasAction(action, actSfx));

    UINT count = 0;
    if (source.fromCommandLine())
        count = static_cast<UINT>(source.params->size());
    else if (source.drop)
        count = DragQueryFileA(source.drop, 0xFFFFFFFF, nullptr, 0);
    const auto nameAt = [&](UINT i) {
        if (source.fromCommandLine()) return NameFromParam((*source.params)[i]);
        // One byte more than the name buffer, to see whether the name was cut.
        char buffer[kNameBufferSize + 1] = {};
        DragQueryFileA(source.drop, i, buffer, sizeof buffer);
        buffer[kNameBufferSize] = '\0';
        return CutToNameBuffer(buffer);
    };

    if (pack) {
        if (count > 0) job.firstName = nameAt(0);
        if (!PreparePacking(bar, job)) {
            releaseDrop();
            return;
        }
    }
    job.optionWord = bar.settings.PackLevel[job.format - 1];

    for (UINT i = 0; i < count; ++i) {
        const std::string name = nameAt(i);
        if (view)
            ViewItem(bar, name);
        else if (ftp) {
            if (!IsFolder(name)) Append(bar, name);
        } else if (pack)
            PackItem(bar, job, name);
    }
    releaseDrop();
    CloseItemList(job);

    const LRESULT entries = SendMessageA(bar.dropList(), LB_GETCOUNT, 0, 0);
    bar.state.FileCount = entries == LB_ERR ? 0 : static_cast<int>(entries);
    bar.state.FilesPending = bar.state.FileCount >= 1;

    if (view || ftp || job.format == 3) {
        bar.StopAnimation();
        UnbindLibrary();
        if (bar.state.FileCount > 0) {
            SendMessageA(bar.dropList(), LB_SETCURSEL, 0, 0);
            if (ftp) {
                SendByFtp(bar);
                bar.state.FileCount = 0;
                bar.state.FilesPending = false;
                SendMessageA(bar.dropList(), LB_RESETCONTENT, 0, 0);
            }
        }
    } else if (pack) {
        FinishPacking(bar, job);
    }
}

}  // namespace qaz
