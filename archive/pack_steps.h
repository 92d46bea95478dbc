// Packing the dropped items: the steps the drop intake runs before, during
// and after its walk over the names.
#pragma once
#include <windows.h>

#include <string>

#include "archive/drop_context.h"
#include "archive/list_file.h"

namespace qaz {

// What one packing keeps from its preparation to its final step.
struct PackJob {
    int action = 0;            // the action word of the drop
    bool sfx = false;          // a self-extracting archive is wanted
    bool askName = false;      // the archive name is asked for first
    int format = 1;            // PackDef: 1 LZH, 2 CAB, 3 ISH, 4 TGZ
    int optionWord = 0;        // PackLevel of the format
    std::string firstName;     // the first dropped item
    std::string archivePath;   // the archive to create
    ListFile list;             // the list of items ("pack.qaz"), written during the walk
};

// The file kind whose library packs the format.
int PackerKind(int format);

// Starts the animation and binds the packer. False (with the animation
// stopped) when the packer library is missing: the drop then ends.
bool PreparePacking(DropContext& context, PackJob& job);
// Adds one dropped item to the packing.
void PackItem(DropContext& context, PackJob& job, const std::string& name);
// Closes the list of items (the walk is over).
void CloseItemList(PackJob& job);
// Runs the packer on the collected items, then releases the library and
// stops the animation. A list that could not be written is reported and
// nothing is packed.
void FinishPacking(DropContext& context, PackJob& job);

}  // namespace qaz
