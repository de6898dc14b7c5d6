// The controls of an extended dialog template (DIALOGEX), read so that a dialog can be made without
// them and make them itself later, as the dialog manager would have made them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

// One control of a template. The pointers point into the template's bytes, which must outlive the
// item: a module's resources do.
struct DialogItem {
    DWORD exStyle = 0;
    DWORD style = 0;
    // Its place in dialog units.
    RECT units = {};
    DWORD id = 0;
    // A class name, or one of the system's classes named by its template ordinal (0x80 button to
    // 0x85 combo box) turned into its name; never null.
    const wchar_t* className = nullptr;
    // The title as the template holds it: a text, or 0xFFFF and a resource ordinal (an icon or
    // bitmap of a static control), which the dialog manager hands on the same way. Never null.
    const wchar_t* title = nullptr;
    // The creation data: its size word followed by the data; null when there is none.
    const void* creationData = nullptr;
};

// A template read: its controls and where its count of controls lies.
struct DialogTemplateItems {
    std::vector<DialogItem> items;
    size_t countOffset = 0;
};

// Reads the controls of the extended template of size bytes. False, with items empty, when the
// bytes are no extended template or any part of it runs past their end.
bool ReadDialogItems(const void* bytes, size_t size, DialogTemplateItems& read);

// A copy of the template read with no controls: the dialog manager makes only its window. Empty
// for a template ReadDialogItems did not read.
std::vector<BYTE> TemplateWithoutItems(const void* bytes, size_t size, const DialogTemplateItems& read);
