// Which loaded module holds a piece of code, and that module's file name.
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
