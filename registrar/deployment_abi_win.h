#pragma once
// The few Windows Runtime interfaces of the package manager that the registrar calls, declared at
// the binary interface from the public API documentation (the cross toolchain ships no headers for
// them). Only the methods used are named; the slots before them keep their places in the vtable.
#include <windows.h>
#include <inspectable.h>
#include <asyncinfo.h>
#include <hstring.h>

namespace deployment_abi {

struct PackageVersion {
    UINT16 major, minor, build, revision;
};

// Windows.Foundation.IUriRuntimeClassFactory
MIDL_INTERFACE("44A9796F-723E-4FDF-A218-033E75B0C084")
IUriFactory : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE CreateUri(HSTRING uri, IInspectable * *instance) = 0;
};

// Windows.ApplicationModel.IPackageId
MIDL_INTERFACE("1ADB665E-37C7-4790-9980-DD7AE74E8BB2")
IPackageId : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Name(HSTRING * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Version(PackageVersion * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Architecture(INT32 * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResourceId(HSTRING * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Publisher(HSTRING * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PublisherId(HSTRING * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FullName(HSTRING * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FamilyName(HSTRING * value) = 0;
};

// Windows.ApplicationModel.IPackage (the default interface of Package)
MIDL_INTERFACE("163C792F-BD75-413C-BF23-B1FE7B95D825")
IPackage : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Id(IPackageId * *value) = 0;
};

// Windows.ApplicationModel.IPackage8
MIDL_INTERFACE("2C584F7B-CE2A-4BE6-A093-77CFBB2A7EA1")
IPackage8 : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_EffectiveExternalLocation(IInspectable * *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MachineExternalLocation(IInspectable * *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UserExternalLocation(IInspectable * *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_InstalledPath(HSTRING * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MutablePath(HSTRING * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EffectivePath(HSTRING * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EffectiveExternalPath(HSTRING * value) = 0;
};

// Windows.Foundation.Collections.IIterator<Package>
MIDL_INTERFACE("0217F069-025C-5EE6-A87F-E782E3B623AE")
IPackageIterator : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Current(IPackage * *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveNext(boolean * value) = 0;
};

// Windows.Foundation.Collections.IIterable<Package>
MIDL_INTERFACE("69AD6AA7-0C49-5F27-A5EB-EF4D59467B6D")
IPackageIterable : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE First(IPackageIterator * *value) = 0;
};

// Windows.Management.Deployment.IDeploymentResult
MIDL_INTERFACE("2563B9AE-B77D-4C1F-8A7B-20E6AD515EF3")
IDeploymentResult : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_ErrorText(HSTRING * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ActivityId(GUID * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedErrorCode(HRESULT * value) = 0;
};

struct IDeploymentOperation;

// AsyncOperationWithProgressCompletedHandler<DeploymentResult, DeploymentProgress>
MIDL_INTERFACE("6E1C7129-61E0-5D88-9FD4-F3CE65A05719")
IDeploymentCompletedHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(IDeploymentOperation * operation, AsyncStatus status) = 0;
};

// IAsyncOperationWithProgress<DeploymentResult, DeploymentProgress>
MIDL_INTERFACE("5A97AAB7-B6EA-55AC-A5DC-D5B164D94E94")
IDeploymentOperation : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE put_Progress(IUnknown * handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Progress(IUnknown * *handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Completed(IDeploymentCompletedHandler * handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Completed(IDeploymentCompletedHandler * *handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResults(IDeploymentResult * *results) = 0;
};

// Windows.Management.Deployment.IAddPackageOptions
MIDL_INTERFACE("05CEE018-F68F-422B-95A4-66679EC77FC0")
IAddPackageOptions : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_DependencyPackageUris(IInspectable * *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TargetVolume(IInspectable * *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_TargetVolume(IInspectable * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_OptionalPackageFamilyNames(IInspectable * *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_OptionalPackageUris(IInspectable * *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RelatedPackageUris(IInspectable * *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExternalLocationUri(IInspectable * *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ExternalLocationUri(IInspectable * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StubPackageOption(INT32 * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_StubPackageOption(INT32 value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DeveloperMode(boolean * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DeveloperMode(boolean value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ForceAppShutdown(boolean * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ForceAppShutdown(boolean value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ForceTargetAppShutdown(boolean * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ForceTargetAppShutdown(boolean value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ForceUpdateFromAnyVersion(boolean * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ForceUpdateFromAnyVersion(boolean value) = 0;
};

// Windows.Management.Deployment.IPackageManager
MIDL_INTERFACE("9A7D4B65-5E8F-4FC7-A2E5-7F6925CB8B53")
IPackageManager : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE AddPackageAsync(IInspectable*, IInspectable*, UINT32,
                                                      IDeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdatePackageAsync(IInspectable*, IInspectable*, UINT32,
                                                         IDeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemovePackageAsync(HSTRING fullName,
                                                         IDeploymentOperation * *operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE StagePackageAsync(IInspectable*, IInspectable*,
                                                        IDeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterPackageAsync(IInspectable*, IInspectable*, UINT32,
                                                           IDeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPackages(IPackageIterable * *packages) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPackagesByUserSecurityId(HSTRING, IPackageIterable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPackagesByNamePublisher(HSTRING name, HSTRING publisher,
                                                                  IPackageIterable * *packages) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPackagesByUserSecurityIdNamePublisher(
        HSTRING userSid, HSTRING name, HSTRING publisher, IPackageIterable * *packages) = 0;
};

// Windows.Management.Deployment.IPackageManager2
MIDL_INTERFACE("F7AAD08D-0840-46F2-B5D8-CAD47693A095")
IPackageManager2 : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE RemovePackageWithOptionsAsync(HSTRING fullName, UINT32 options,
                                                                    IDeploymentOperation * *operation) = 0;
};

// Windows.Management.Deployment.IPackageManager9
MIDL_INTERFACE("1AA79035-CC71-4B2E-80A6-C7041D8579A7")
IPackageManager9 : public IInspectable {
    virtual HRESULT STDMETHODCALLTYPE FindProvisionedPackages(IInspectable * *packages) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddPackageByUriAsync(
        IInspectable * packageUri, IAddPackageOptions * options, IDeploymentOperation * *operation) = 0;
};

inline constexpr UINT32 kRemoveForAllUsers = 0x80000; // RemovalOptions.RemoveForAllUsers

} // namespace deployment_abi

// The cross toolchain finds an interface's identifier through this declaration.
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(deployment_abi::IUriFactory, 0x44A9796F, 0x723E, 0x4FDF, 0xA2, 0x18, 0x03, 0x3E, 0x75, 0xB0,
                0xC0, 0x84)
__CRT_UUID_DECL(deployment_abi::IPackageId, 0x1ADB665E, 0x37C7, 0x4790, 0x99, 0x80, 0xDD, 0x7A, 0xE7, 0x4E,
                0x8B, 0xB2)
__CRT_UUID_DECL(deployment_abi::IPackage, 0x163C792F, 0xBD75, 0x413C, 0xBF, 0x23, 0xB1, 0xFE, 0x7B, 0x95,
                0xD8, 0x25)
__CRT_UUID_DECL(deployment_abi::IPackage8, 0x2C584F7B, 0xCE2A, 0x4BE6, 0xA0, 0x93, 0x77, 0xCF, 0xBB, 0x2A,
                0x7E, 0xA1)
__CRT_UUID_DECL(deployment_abi::IPackageIterator, 0x0217F069, 0x025C, 0x5EE6, 0xA8, 0x7F, 0xE7, 0x82, 0xE3,
                0xB6, 0x23, 0xAE)
__CRT_UUID_DECL(deployment_abi::IPackageIterable, 0x69AD6AA7, 0x0C49, 0x5F27, 0xA5, 0xEB, 0xEF, 0x4D, 0x59,
                0x46, 0x7B, 0x6D)
__CRT_UUID_DECL(deployment_abi::IDeploymentResult, 0x2563B9AE, 0xB77D, 0x4C1F, 0x8A, 0x7B, 0x20, 0xE6, 0xAD,
                0x51, 0x5E, 0xF3)
__CRT_UUID_DECL(deployment_abi::IDeploymentCompletedHandler, 0x6E1C7129, 0x61E0, 0x5D88, 0x9F, 0xD4, 0xF3,
                0xCE, 0x65, 0xA0, 0x57, 0x19)
__CRT_UUID_DECL(deployment_abi::IDeploymentOperation, 0x5A97AAB7, 0xB6EA, 0x55AC, 0xA5, 0xDC, 0xD5, 0xB1,
                0x64, 0xD9, 0x4E, 0x94)
__CRT_UUID_DECL(deployment_abi::IAddPackageOptions, 0x05CEE018, 0xF68F, 0x422B, 0x95, 0xA4, 0x66, 0x67, 0x9E,
                0xC7, 0x7F, 0xC0)
__CRT_UUID_DECL(deployment_abi::IPackageManager, 0x9A7D4B65, 0x5E8F, 0x4FC7, 0xA2, 0xE5, 0x7F, 0x69, 0x25,
                0xCB, 0x8B, 0x53)
__CRT_UUID_DECL(deployment_abi::IPackageManager2, 0xF7AAD08D, 0x0840, 0x46F2, 0xB5, 0xD8, 0xCA, 0xD4, 0x76,
                0x93, 0xA0, 0x95)
__CRT_UUID_DECL(deployment_abi::IPackageManager9, 0x1AA79035, 0xCC71, 0x4B2E, 0x80, 0xA6, 0xC7, 0x04, 0x1D,
                0x85, 0x79, 0xA7)
#endif
