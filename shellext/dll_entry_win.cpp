// The library's exports: Explorer's COM surrogate asks for the command's class factory and whether
// the library may be unloaded. It has no self-registration; the sparse package declares the class.
#include <windows.h>

#include <new>

#include "shellext/explorer_command_win.h"
#include "shellext/install_location_win.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        SetShellextModule(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (clsid != kPlayCommandClsid)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) w11rt::Factory();
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, out);
    factory->Release();
    return hr;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
    return ModuleObjectCount() == 0 ? S_OK : S_FALSE;
}
