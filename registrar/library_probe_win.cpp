#include "registrar/maintenance_win.h"

#include <windows.h>
#include <objbase.h>

#include "base/proc_address_win.h"
#include "base/wide_win.h"
#include "registrar/com_apartment_win.h"
#include "registrar/registrar_command.h"
#include "registrar/registrar_log_win.h"

namespace {

using GetClassObjectFn = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);

// Asks the library's class factory for one object, as Explorer's surrogate would.
bool CreatesObject(HMODULE library, const CLSID& clsid) {
    ComApartment apartment(COINIT_APARTMENTTHREADED);
    const auto getClassObject = ProcAddress<GetClassObjectFn>(library, "DllGetClassObject");
    if (getClassObject == nullptr)
        return false;
    IClassFactory* factory = nullptr;
    if (FAILED(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
        factory == nullptr)
        return false;
    IUnknown* object = nullptr;
    const HRESULT hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object));
    if (object)
        object->Release();
    factory->Release();
    return SUCCEEDED(hr) && object != nullptr;
}

} // namespace

int Probe(const std::u16string& path, const std::u16string& clsidText) {
    CLSID clsid{};
    if (FAILED(CLSIDFromString(Wide(clsidText), &clsid)))
        return kRegistrarBadCommandLine;
    HMODULE library = LoadLibraryExW(Wide(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr) {
        LogLine(u"probe load fail " + path);
        return kRegistrarFailed;
    }
    const bool created = CreatesObject(library, clsid);
    FreeLibrary(library);
    LogLine(u"probe " + path + (created ? u" ok" : u" fail"));
    return created ? kRegistrarDone : kRegistrarFailed;
}
