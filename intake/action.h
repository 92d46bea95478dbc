// The action word: what to do with the names of one drop.
#pragma once
#include "archive/drop_context.h"

namespace qaz {

enum Action : int {
    actCancel = 0,
    actArchive = 0x00000001,
    actSfx = 0x00000002,
    actRename = 0x00000010,
    actFtp = 0x00000100,
    actView = 0x10000000,
};

// True when every bit of the flag is set in the action word.
inline bool HasAction(int action, int flag) { return (action & flag) == flag; }

// Decides from the held keys what the drop is for (Ctrl packs, Shift makes
// a self-extracting archive, Alt lets the user choose, nothing views) and
// picks the target folder from the digit keys 1 to 5.
int ChooseAction(DropContext& context);

// The function chooser offered for drops made with Alt held; returns the
// chosen action word, or actCancel.
int ChooseFunction(DropContext& context);
// Puts another chooser in its place (nullptr restores it).
void SetFunctionChooser(int (*chooser)(DropContext& context));

}  // namespace qaz
