// Dialog texts in the user's language, and dialogs that grow to fit them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Gives the dialog made from templateId its title and its controls their texts in the language
// in use (text/Texts.h); a control the catalogues do not name keeps its template text.
void ApplyDialogTexts(HWND dialog, int templateId);

// Widens each static, button or check box whose text does not fit it, and each list or combo box
// whose rows do not (an owner-drawn one's rows are its owner's business), in its own font at the
// dialog's DPI: the controls to its right on the same row move along, and a wrapping static that
// needs more lines grows down with the controls below it in its column (and below those) moving
// along. A group box grows around
// the controls it held, and the dialog grows to keep its margins; a top-level dialog that grew
// past its monitor's work area moves back onto it. Controls never shrink. dpi 0: the window's.
void FitDialogTexts(HWND dialog, UINT dpi = 0);

// How much wider the control (a field, an edit box, a list or combo box) must be to show each of
// texts (in the narrow code page) whole on one line in its own font at dpi, and each of its rows;
// 0 when it does. dpi 0: the control's.
LONG TextsShortfall(HWND control, const std::vector<std::string>& texts, UINT dpi = 0);

// Widens the dialog's controls widened and the dialog by cx and moves the controls moved along by
// cx (a column of fields that grows, with the buttons beside and beyond it); a top-level dialog
// that grew past its monitor's work area moves back onto it. Nothing happens for cx <= 0.
void WidenColumn(HWND dialog, const std::vector<int>& widened, const std::vector<int>& moved, LONG cx);
