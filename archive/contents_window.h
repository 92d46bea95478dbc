// The contents window TJX_QAZUnpack: the entries of an archive in a list,
// with a menu bar to extract the chosen ones, all of them, or the viewable
// ones into the work folder.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "archive/contents_rows.h"
#include "archive/drop_context.h"
#include "base/gdi.h"
#include "base/ui/window.h"

namespace qaz {

class ContentsWindow : public ui::Window {
public:
    // Menu item ids (msView carries the tag 1 of the view action).
    enum : int { msClose = 101, msSep1, msUnpack, msAllUnpack, msSep2, msView };

    explicit ContentsWindow(DropContext& context) : context_(context) {}

    // Creates the window (hidden), captioned with the archive path, with
    // the kind in lblDllType; "表示(&V)" is disabled for the kinds that have
    // no command to extract into the work folder (ZIP, ISH, tar, single
    // compressed files).
    bool Create(const std::string& archive, int kind);
    void AddRow(const ContentsRow& row);
    int RowCount() const;
    // Shows the window and runs its own message loop, its owner disabled,
    // until it is closed.
    void ShowModal();

    HWND list() const { return lvArchive_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnUnpack(bool view);
    void OnAllUnpack();
    std::string Caption() const;
    int KindFromLabel() const;
    std::string CellText(int row, int column) const;

    DropContext& context_;
    HWND lblDllType_ = nullptr;
    HWND lvArchive_ = nullptr;
    OwnedFont font_;
    bool closed_ = false;
};

// Lists an archive of the kind for the user to choose from; an archive the
// library refuses is passed over silently. False when nothing was listed.
bool ListArchive(DropContext& context, const std::string& archive, int kind);

}  // namespace qaz
