// The criteria's own logic, apart from the window facts: it asks the system nothing, so the
// command wire and the command line use it without the window functions.
#include "app/rules/WindowMatch.h"

bool WindowCriteria::IsEmpty() const
{
    return title.IsEmpty() && titleLike.IsEmpty() && className.IsEmpty() && exe.IsEmpty() &&
           processId == 0 && !window && !active;
}
