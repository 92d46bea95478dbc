// Classification of a name with the binding of the library its kind needs.
#pragma once
#include <string>

#include "archive/drop_context.h"

namespace qaz {

// The name a packer is bound through.
constexpr const char* kPackModeName = "[packmode]";

// Classifies the name and binds the library its kind needs. kind comes back
// as the file kind, or -1 when the library is missing. With archivesOnly
// only archives go on to binding. The name kPackModeName binds the library
// of the kind given on entry, always afresh.
void ClassifyAndBind(DropContext& context, const std::string& name, int& kind, bool archivesOnly);

}  // namespace qaz
