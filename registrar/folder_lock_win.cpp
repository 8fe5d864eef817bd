#include "registrar/maintenance_win.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "base/wide_win.h"
#include "registrar/registrar_command.h"
#include "registrar/registrar_log_win.h"

namespace {

// Owner Administrators; a protected list: full access for the system and Administrators,
// read-and-execute for Users; every entry inherited by files and subfolders.
constexpr const wchar_t* kLockedFolderSddl = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// Write data, append, write extended attributes, delete child, write attributes, delete, write
// access list, write owner, generic write, generic all.
constexpr ACCESS_MASK kWriteTypeRights = 0x500D0156;
constexpr DWORD kListingBytes = 4096;

class LocalMemory {
  public:
    ~LocalMemory() { LocalFree(memory_); }
    PSECURITY_DESCRIPTOR* Out() { return &memory_; }
    PSECURITY_DESCRIPTOR Get() const { return memory_; }

  private:
    PSECURITY_DESCRIPTOR memory_ = nullptr;
};

bool IsSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
    return sid && IsValidSid(sid) && IsWellKnownSid(sid, type);
}

bool WriterIsTrusted(const ACCESS_ALLOWED_ACE* ace) {
    PSID sid = const_cast<DWORD*>(&ace->SidStart);
    return (ace->Mask & kWriteTypeRights) == 0 || IsSid(sid, WinBuiltinAdministratorsSid) ||
           IsSid(sid, WinLocalSystemSid);
}

// Locked: a protected access list, owned by Administrators, and only Administrators and the system
// may write. A folder whose security cannot be read is not locked.
bool IsLocked(HANDLE folder) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    LocalMemory descriptor;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, nullptr, &dacl, nullptr, descriptor.Out()) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorControl(descriptor.Get(), &control, &revision) || dacl == nullptr ||
        !(control & SE_DACL_PROTECTED) || !IsSid(owner, WinBuiltinAdministratorsSid))
        return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            return false;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE &&
            !WriterIsTrusted(static_cast<const ACCESS_ALLOWED_ACE*>(ace)))
            return false;
    }
    return true;
}

// Listed by its handle, the folder holds nothing but "." and "..".
bool IsEmptyFolder(HANDLE folder) {
    alignas(8) BYTE buffer[kListingBytes];
    FILE_INFO_BY_HANDLE_CLASS listing = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, listing, buffer, sizeof buffer)) {
        listing = FileIdBothDirectoryInfo;
        for (auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(buffer);;
             entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<BYTE*>(entry) +
                                                              entry->NextEntryOffset)) {
            const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                return false;
            if (entry->NextEntryOffset == 0)
                break;
        }
    }
    return GetLastError() == ERROR_NO_MORE_FILES;
}

// An existing folder: locked already, or empty and locked now; never a link, never one with contents.
bool LockExisting(HANDLE folder, const std::u16string& path, PSECURITY_DESCRIPTOR descriptor) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        LogLine(u"secure REFUSED (not a plain folder) " + path);
        return false;
    }
    if (IsLocked(folder))
        return true;
    if (!IsEmptyFolder(folder)) {
        LogLine(u"secure REFUSED (unlocked folder with contents) " + path);
        return false;
    }
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    const DWORD applied = SetSecurityInfo(folder, SE_FILE_OBJECT,
                                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                              PROTECTED_DACL_SECURITY_INFORMATION,
                                          owner, nullptr, dacl, nullptr);
    // A file created between the check and the change makes the lock worthless.
    if (applied == ERROR_SUCCESS && IsEmptyFolder(folder))
        return true;
    LogLine(u"secure lock fail or late entry " + path);
    return false;
}

} // namespace

int Secure(const std::u16string& path) {
    LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kLockedFolderSddl, SDDL_REVISION_1,
                                                              descriptor.Out(), nullptr))
        return kRegistrarFailed;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
    if (CreateDirectoryW(Wide(path), &attributes)) {
        LogLine(u"secure created " + path);
        return kRegistrarDone;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        LogLine(u"secure create fail " + path);
        return kRegistrarFailed;
    }
    // The path's own attributes as well as the opened handle's: some file systems open the target
    // of a link even when asked for the link itself.
    const DWORD pathAttributes = GetFileAttributesW(Wide(path));
    if (pathAttributes != INVALID_FILE_ATTRIBUTES && (pathAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        LogLine(u"secure REFUSED (not a plain folder) " + path);
        LogLine(u"secure " + path + u" FAILED");
        return kRegistrarFailed;
    }
    HANDLE folder = CreateFileW(
        Wide(path), FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY | READ_CONTROL | WRITE_DAC | WRITE_OWNER,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        LogLine(u"secure open fail " + path);
        return kRegistrarFailed;
    }
    const bool locked = LockExisting(folder, path, descriptor.Get());
    CloseHandle(folder);
    LogLine(u"secure " + path + (locked ? u" ok" : u" FAILED"));
    return locked ? kRegistrarDone : kRegistrarFailed;
}
