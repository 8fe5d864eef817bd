#include "shellext/desktop_launch_win.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "base/utf.h"

using Microsoft::WRL::ComPtr;

namespace {

// A BSTR owned for one call.
class OwnedBstr {
  public:
    explicit OwnedBstr(const wchar_t* text) : value_(SysAllocString(text ? text : L"")) {}
    ~OwnedBstr() { SysFreeString(value_); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;
    BSTR Get() const { return value_; }

  private:
    BSTR value_;
};

// A step that reports success but hands back nothing counts as a failure.
HRESULT Checked(HRESULT hr, const void* result) {
    return FAILED(hr) ? hr : (result ? S_OK : E_FAIL);
}

HRESULT DesktopDispatch(ComPtr<IDispatch>& desktop) {
    ComPtr<IShellWindows> windows;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&windows));
    if (FAILED(hr = Checked(hr, windows.Get())))
        return hr;
    VARIANT empty;
    VariantInit(&empty);
    long window = 0;
    hr = windows->FindWindowSW(&empty, &empty, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &desktop);
    return Checked(hr == S_FALSE ? E_FAIL : hr, desktop.Get());
}

// Desktop → top-level browser → active view → background → IShellFolderViewDual → Application.
HRESULT DesktopShellDispatch(ComPtr<IShellDispatch2>& shell) {
    ComPtr<IDispatch> desktop;
    HRESULT hr = DesktopDispatch(desktop);
    if (FAILED(hr))
        return hr;
    ComPtr<IServiceProvider> provider;
    if (FAILED(hr = Checked(desktop.As(&provider), provider.Get())))
        return hr;
    ComPtr<IShellBrowser> browser;
    hr = provider->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(&browser));
    if (FAILED(hr = Checked(hr, browser.Get())))
        return hr;
    ComPtr<IShellView> view;
    if (FAILED(hr = Checked(browser->QueryActiveShellView(&view), view.Get())))
        return hr;
    ComPtr<IDispatch> background;
    if (FAILED(
            hr = Checked(view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(&background)), background.Get())))
        return hr;
    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(hr = Checked(background.As(&folderView), folderView.Get())))
        return hr;
    ComPtr<IDispatch> application;
    if (FAILED(hr = Checked(folderView->get_Application(&application), application.Get())))
        return hr;
    return Checked(application.As(&shell), shell.Get());
}

HRESULT CallShellExecute(IShellDispatch2* shell, const std::wstring& exe, const wchar_t* args,
                         const wchar_t* dir) {
    if (shell == nullptr)
        return E_FAIL;
    wchar_t name[] = L"ShellExecute";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    HRESULT hr = shell->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    OwnedBstr file(exe.c_str()), arguments(args), folder(dir), operation(L"open");
    if (!file.Get() || !arguments.Get() || !folder.Get() || !operation.Get())
        return E_OUTOFMEMORY;
    VARIANT values[5]; // in reverse order: show, operation, directory, arguments, file
    for (auto& v : values)
        VariantInit(&v);
    values[0].vt = VT_I4;
    values[0].lVal = SW_SHOWNORMAL;
    const BSTR texts[] = {operation.Get(), folder.Get(), arguments.Get(), file.Get()};
    for (int i = 0; i < 4; ++i) {
        values[i + 1].vt = VT_BSTR;
        values[i + 1].bstrVal = texts[i];
    }
    DISPPARAMS params{values, nullptr, 5, 0};
    return shell->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                         nullptr);
}

} // namespace

HRESULT SpawnViaDesktop(const std::wstring& exe, const wchar_t* args, const wchar_t* dir) {
    ComPtr<IShellDispatch2> shell;
    const HRESULT hr = DesktopShellDispatch(shell);
    if (FAILED(hr))
        return hr;
    DWORD shellProcess = 0;
    GetWindowThreadProcessId(GetShellWindow(), &shellProcess);
    AllowSetForegroundWindow(shellProcess);
    return CallShellExecute(shell.Get(), exe, args, dir);
}

void AppendSpawnLog(const std::wstring& path, const std::u16string& line) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string bytes = Utf16ToUtf8(line) + "\n";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}
