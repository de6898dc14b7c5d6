// Proportional layout of a scalable dialog's direct child controls.
#include "winbase/WinBase.h"

// Controls keep their template places for now.
void QF_WINBASE::RecordChildLayout() {}

void QF_WINBASE::ScaleChildren() {}
