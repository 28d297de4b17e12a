#pragma once
// Functions of system libraries that only rarely used commands need (the common
// dialogs, the CD tray). Their libraries are loaded at the first call instead of
// with the program: the common dialogs bring the print spooler and its printer
// lookup with them, the multimedia library its sound drivers, and a resident
// start needs none of it.
#include "platform/win32/WinApi.h"

namespace win32 {

// The function `name` of `library`, loading the library if it is not loaded yet;
// it stays loaded for the rest of the process. Null when either is missing, which
// the caller treats as the call failing.
template <typename F>
F OnDemand(const char* library, const char* name) {
    HMODULE module = ::GetModuleHandleA(library);
    if (!module) module = ::LoadLibraryA(library);
    if (!module) return nullptr;
    // Through the generic function type, which converts to any other without a warning.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace win32
