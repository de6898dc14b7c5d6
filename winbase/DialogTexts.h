// Dialog texts in the user's language, and dialogs that grow to fit them.
#pragma once

#include <windows.h>

// Gives the dialog made from templateId its title and its controls their texts in the language
// in use (text/Texts.h); a control the catalogues do not name keeps its template text.
void ApplyDialogTexts(HWND dialog, int templateId);

// Widens each static, button or check box whose text does not fit it, in its own font at the
// dialog's DPI: the controls to its right on the same row move along, and a wrapping static that
// needs more lines grows down with the controls below it in its column (and below those) moving
// along. A group box grows around
// the controls it held, and the dialog grows to keep its margins; a top-level dialog that grew
// past its monitor's work area moves back onto it. Controls never shrink. dpi 0: the window's.
void FitDialogTexts(HWND dialog, UINT dpi = 0);
