#include "intake/process_drop.h"

#include "archive/archive_ops.h"
#include "archive/contents_window.h"
#include "archive/classify_and_bind.h"
#include "archive/pack_steps.h"
#include "base/collect_files.h"
#include "core/file_kind.h"
#include "intake/action.h"
#include "intake/send_by_ftp.h"

namespace qaz {

namespace {

bool IsFolder(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Viewable(const Settings& settings, const std::string& name) {
    return settings.Open || PassesViewFilter(name);
}

// Every file below a dropped folder that the viewers may show.
void AppendFolder(DropContext& context, const std::string& folder) {
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
        if (Viewable(context.settings, path)) context.queue.Append(path);
    }
}

void ViewItem(DropContext& context, const std::string& name) {
    if (IsFolder(name)) {
        AppendFolder(context, name);
        return;
    }
    int kind = kindUnknown;
    ClassifyAndBind(context, name, kind, true);
    if (IsArchiveKind(kind)) {
        if (context.settings.UnpackFilesSelect && IsListableKind(kind))
            ListArchive(context, name, kind);
        else
            ExtractArchive(context, name, nullptr, kind, false);
        return;
    }
    if (Viewable(context.settings, name)) context.queue.Append(name);
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

std::string AbsoluteName(const std::string& name) {
    if (name.empty()) return name;
    char buffer[kNameBufferSize * 2] = {};
    const DWORD n = GetFullPathNameA(name.c_str(), sizeof buffer, buffer, nullptr);
    return n > 0 && n < sizeof buffer ? CutToNameBuffer(buffer) : name;
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

void ProcessDrop(DropContext& context, const DropSource& source) {
    const auto releaseDrop = [&] {
        if (source.drop) DragFinish(source.drop);
    };
    const Settings& settings = context.settings;
    DropQueue& queue = context.queue;
    queue.fileCount = 0;
    queue.filesPending = false;

    int action = ChooseAction(context);
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
    job.sfx = HasAction(action, actSfx);
    // A format the settings library never writes packs as LZH, the default.
    job.format = settings.PackDef >= 1 && settings.PackDef <= 4 ? settings.PackDef : 1;
    queue.Clear();

    const bool view = HasAction(action, actView);
    const bool ftp = !view && HasAction(action, actFtp);
    const bool pack = !view && !ftp && (HasAction(action, actArchive) || HasAction(action, actSfx));

    UINT count = 0;
    std::vector<std::string> params;
    if (source.fromCommandLine()) {
        // Made absolute at once, against the folder the program was started
        // in: packing moves the current folder before the later names are read.
        for (const std::string& param : *source.params) params.push_back(AbsoluteName(NameFromParam(param)));
        count = static_cast<UINT>(params.size());
    } else if (source.drop) {
        count = DragQueryFileA(source.drop, 0xFFFFFFFF, nullptr, 0);
    }
    const auto nameAt = [&](UINT i) {
        if (source.fromCommandLine()) return params[i];
        // One byte more than the name buffer, to see whether the name was cut.
        char buffer[kNameBufferSize + 1] = {};
        DragQueryFileA(source.drop, i, buffer, sizeof buffer);
        buffer[kNameBufferSize] = '\0';
        return CutToNameBuffer(buffer);
    };

    if (pack) {
        if (count > 0) job.firstName = nameAt(0);
        if (!PreparePacking(context, job)) {
            releaseDrop();
            return;
        }
    }
    job.optionWord = settings.PackLevel[job.format - 1];

    for (UINT i = 0; i < count; ++i) {
        const std::string name = nameAt(i);
        if (view)
            ViewItem(context, name);
        else if (ftp) {
            if (!IsFolder(name)) queue.Append(name);
        } else if (pack)
            PackItem(context, job, name);
    }
    releaseDrop();
    CloseItemList(job);

    queue.Settle();

    if (view || ftp || job.format == 3) {
        context.host.StopAnimation();
        context.binding.Unbind();
        if (ftp && queue.fileCount > 0) {
            SendByFtp(queue);
            queue.fileCount = 0;
            queue.filesPending = false;
            queue.Clear();
        }
    } else if (pack) {
        FinishPacking(context, job);
    }
}

}  // namespace qaz
