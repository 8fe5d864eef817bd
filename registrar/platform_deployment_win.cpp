#include "registrar/platform_deployment_win.h"

#include <roapi.h>
#include <winstring.h>
#include <wrl/client.h>

#include <atomic>

#include "base/wide_win.h"

using Microsoft::WRL::ComPtr;
using namespace deployment_abi;

namespace {

// A Windows Runtime string owned for one scope.
class HString {
  public:
    explicit HString(const std::u16string& text) {
        WindowsCreateString(Wide(text), static_cast<UINT32>(text.size()), &value_);
    }
    ~HString() { WindowsDeleteString(value_); }
    HString(const HString&) = delete;
    HString& operator=(const HString&) = delete;
    HSTRING Get() const { return value_; }

  private:
    HSTRING value_ = nullptr;
};

std::u16string TakeText(HSTRING text) {
    UINT32 length = 0;
    const wchar_t* raw = WindowsGetStringRawBuffer(text, &length);
    std::u16string out = raw ? U16(raw, length) : std::u16string();
    WindowsDeleteString(text);
    return out;
}

std::u16string MessageOf(HRESULT hr) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message = text ? U16(text) : std::u16string();
    LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' || message.back() == u' '))
        message.pop_back();
    if (message.empty()) {
        wchar_t code[16];
        swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
        message = U16(code);
    }
    return message;
}

void Check(HRESULT hr) {
    if (FAILED(hr))
        throw DeploymentError{hr, MessageOf(hr)};
}

template <class Interface> ComPtr<Interface> Activate(const wchar_t* className) {
    ComPtr<IInspectable> instance;
    Check(RoActivateInstance(HString(U16(className)).Get(), &instance));
    ComPtr<Interface> typed;
    Check(instance.As(&typed));
    return typed;
}

ComPtr<IInspectable> MakeUri(const std::u16string& text) {
    ComPtr<IUriFactory> factory;
    Check(RoGetActivationFactory(HString(u"Windows.Foundation.Uri").Get(), __uuidof(IUriFactory), &factory));
    ComPtr<IInspectable> uri;
    Check(factory->CreateUri(HString(text).Get(), &uri));
    return uri;
}

PackageInfo Describe(IPackage* package) {
    ComPtr<IPackageId> id;
    Check(package->get_Id(&id));
    PackageInfo info;
    PackageVersion v{};
    Check(id->get_Version(&v));
    info.version = U16(std::to_wstring(v.major).c_str()) + u"." + U16(std::to_wstring(v.minor).c_str()) +
                   u"." + U16(std::to_wstring(v.build).c_str()) + u"." +
                   U16(std::to_wstring(v.revision).c_str());
    HSTRING text = nullptr;
    Check(id->get_FullName(&text));
    info.fullName = TakeText(text);
    Check(id->get_FamilyName(&text));
    info.familyName = TakeText(text);
    ComPtr<IPackage8> withPaths;
    if (SUCCEEDED(package->QueryInterface(__uuidof(IPackage8), &withPaths)) &&
        SUCCEEDED(withPaths->get_EffectiveExternalPath(&text)))
        info.externalPath = TakeText(text);
    return info;
}

std::vector<PackageInfo> DescribeAll(IPackageIterable* packages) {
    std::vector<PackageInfo> found;
    ComPtr<IPackageIterator> it;
    Check(packages->First(&it));
    boolean has = false;
    for (Check(it->get_HasCurrent(&has)); has; Check(it->MoveNext(&has))) {
        ComPtr<IPackage> package;
        Check(it->get_Current(&package));
        found.push_back(Describe(package.Get()));
    }
    return found;
}

class CompletionSignal final : public IDeploymentCompletedHandler, public IAgileObject {
  public:
    CompletionSignal() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == __uuidof(IDeploymentCompletedHandler))
            *out = static_cast<IDeploymentCompletedHandler*>(this);
        else if (riid == IID_IAgileObject)
            *out = static_cast<IAgileObject*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = --refs_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    // Runs on a platform thread: only records and signals.
    HRESULT STDMETHODCALLTYPE Invoke(IDeploymentOperation*, AsyncStatus status) override {
        status_ = status;
        SetEvent(event_);
        return S_OK;
    }
    bool Wait(DWORD timeoutMs) const {
        return event_ && WaitForSingleObject(event_, timeoutMs) == WAIT_OBJECT_0;
    }
    AsyncStatus Status() const { return status_; }

  private:
    ~CompletionSignal() {
        if (event_)
            CloseHandle(event_);
    }
    std::atomic<LONG> refs_{1};
    HANDLE event_;
    std::atomic<AsyncStatus> status_{Started};
};

class PlatformDeploymentService final : public DeploymentService {
  public:
    std::vector<PackageInfo> FindPackages(const std::u16string& name, const std::u16string& publisher,
                                          bool allUsers) override {
        ComPtr<IPackageIterable> packages;
        if (allUsers)
            Check(Manager()->FindPackagesByNamePublisher(HString(name).Get(), HString(publisher).Get(),
                                                         &packages));
        else // an empty user identifier names the current user
            Check(Manager()->FindPackagesByUserSecurityIdNamePublisher(nullptr, HString(name).Get(),
                                                                       HString(publisher).Get(), &packages));
        return DescribeAll(packages.Get());
    }

    DeploymentOutcome RemovePackage(const std::u16string& fullName, bool allUsers) override {
        ComPtr<IDeploymentOperation> operation;
        if (allUsers) {
            ComPtr<IPackageManager2> manager2;
            Check(Manager().As(&manager2));
            Check(manager2->RemovePackageWithOptionsAsync(HString(fullName).Get(), kRemoveForAllUsers,
                                                          &operation));
        } else {
            Check(Manager()->RemovePackageAsync(HString(fullName).Get(), &operation));
        }
        return OutcomeOf(operation.Get(), WaitOp(operation.Get(), kDeploymentWaitMs));
    }

    DeploymentOutcome AddPackage(const std::u16string& packageUri,
                                 const std::u16string& externalLocationUri) override {
        auto options = Activate<IAddPackageOptions>(L"Windows.Management.Deployment.AddPackageOptions");
        Check(options->put_ExternalLocationUri(MakeUri(externalLocationUri).Get()));
        Check(options->put_ForceUpdateFromAnyVersion(true));
        ComPtr<IPackageManager9> manager9;
        Check(Manager().As(&manager9));
        ComPtr<IDeploymentOperation> operation;
        Check(manager9->AddPackageByUriAsync(MakeUri(packageUri).Get(), options.Get(), &operation));
        return OutcomeOf(operation.Get(), WaitOp(operation.Get(), kDeploymentWaitMs));
    }

  private:
    ComPtr<IPackageManager>& Manager() {
        if (!manager_)
            manager_ = Activate<IPackageManager>(L"Windows.Management.Deployment.PackageManager");
        return manager_;
    }
    ComPtr<IPackageManager> manager_;
};

} // namespace

AsyncStatus WaitOp(IDeploymentOperation* operation, DWORD timeoutMs) {
    auto* signal = new CompletionSignal();
    AsyncStatus status = Started;
    if (SUCCEEDED(operation->put_Completed(signal)) && signal->Wait(timeoutMs))
        status = signal->Status();
    signal->Release();
    return status;
}

DeploymentOutcome OutcomeOf(IDeploymentOperation* operation, AsyncStatus status) {
    ComPtr<IAsyncInfo> info;
    operation->QueryInterface(__uuidof(IAsyncInfo), &info);
    if (status != Completed && status != Error) {
        if (info)
            info->Cancel();
        return DeploymentOutcome{};
    }
    DeploymentOutcome outcome{true, 0, u""};
    ComPtr<IDeploymentResult> result;
    if (SUCCEEDED(operation->GetResults(&result)) && result) {
        HRESULT extended = S_OK;
        HSTRING text = nullptr;
        if (SUCCEEDED(result->get_ExtendedErrorCode(&extended)))
            outcome.extendedError = extended;
        if (SUCCEEDED(result->get_ErrorText(&text)))
            outcome.errorText = TakeText(text);
    }
    // A failed operation whose result names no error still failed: its own code stands in.
    HRESULT code = S_OK;
    if (status == Error && outcome.extendedError >= 0)
        outcome.extendedError = info && SUCCEEDED(info->get_ErrorCode(&code)) && FAILED(code) ? code : E_FAIL;
    return outcome;
}

std::unique_ptr<DeploymentService> PlatformDeployment() {
    return std::make_unique<PlatformDeploymentService>();
}
