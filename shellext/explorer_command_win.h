#pragma once
// The Explorer command "Play with Jaskel Player" and its class factory.
#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <cstdint>

// {F5347F30-61EF-5F69-BC99-C6AC47C37593}: the command's class and its canonical name.
inline constexpr CLSID kPlayCommandClsid = {
    0xF5347F30, 0x61EF, 0x5F69, {0xBC, 0x99, 0xC6, 0xAC, 0x47, 0xC3, 0x75, 0x93}};

// Live objects and server locks; the library may be unloaded when it is zero.
LONG ModuleObjectCount();

namespace w11rt {

class Factory final : public IClassFactory {
  public:
    Factory();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

  private:
    ~Factory();
    std::atomic<LONG> refs_{1};
};

class Cmd final : public IExplorerCommand {
  public:
    explicit Cmd(std::int32_t index);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTitle(IShellItemArray* items, LPWSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    HRESULT STDMETHODCALLTYPE GetToolTip(IShellItemArray* items, LPWSTR* tip) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalName(GUID* name) override;
    HRESULT STDMETHODCALLTYPE GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
    HRESULT STDMETHODCALLTYPE Invoke(IShellItemArray* items, IBindCtx* context) override;
    HRESULT STDMETHODCALLTYPE GetFlags(EXPCMDFLAGS* flags) override;
    HRESULT STDMETHODCALLTYPE EnumSubCommands(IEnumExplorerCommand** commands) override;

  private:
    ~Cmd();
    std::atomic<LONG> refs_{1};
    std::int32_t index_;
};

} // namespace w11rt
