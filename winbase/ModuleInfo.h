// Which loaded module holds a piece of code, that module's file name, and
// where the DLLs the program loads are looked for.
#pragma once

#include <windows.h>

#include "text/NString.h"

// The return address of the function that expands it: the place in its
// caller's code that the call returns to.
#if defined(_MSC_VER)
#include <intrin.h>
#pragma intrinsic(_ReturnAddress)
#define VB_RETURN_ADDRESS() _ReturnAddress()
#define VB_NOINLINE __declspec(noinline)
#else
#define VB_RETURN_ADDRESS() __builtin_return_address(0)
#define VB_NOINLINE __attribute__((noinline))
#endif

// The module (executable or DLL image) whose memory holds address; null when
// the address lies in no module, for example on the heap, or is null.
HMODULE ModuleOfAddress(const void* address);

// The module that holds the code calling this function. Dialogs built into the
// framework load their templates from it.
VB_NOINLINE HMODULE ModuleOfCaller();

// Full path of the module's file (null: the program itself).
NString ModuleFileName(HMODULE module);

// From now on every DLL the process loads by name, and every DLL those load
// in turn, is looked for in the system folder only: never beside the program
// (a download folder, say) nor in the current folder, where anyone may have
// put a DLL of the same name. Called first thing. False on a system that
// cannot restrict the search (Windows 7 without its loader update).
bool RestrictDllSearchToSystemFolder();

// Loads a system DLL (a bare file name) from the system folder only; null
// when it is not there or cannot be loaded.
HMODULE LoadSystemLibrary(const char* name);
