#pragma once
// An export of a loaded module as a typed function pointer, or null when it is missing.
#include <windows.h>

template <class Function> Function ProcAddress(HMODULE module, const char* name) {
    if (module == nullptr)
        return nullptr;
    // FARPROC is a generic function pointer; the cast through void* states the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
