#include "intake/action.h"

namespace qaz {

// The chooser window answers here once it exists; until then a drop made
// with Alt held does nothing.
int ChooseFunction(DropContext& /*context*/) { return actCancel; }

}  // namespace qaz
