#include "registrar/package_cleanup_win.h"

#include <windows.h>

#include <optional>

#include "base/path_text.h"
#include "base/wide_win.h"
#include "registrar/com_apartment_win.h"
#include "registrar/registrar_command.h"
#include "registrar/registrar_log_win.h"
#include "registrar/registrar_rules.h"

namespace {

// Removes each package; nullopt when one did not complete (the command then stops at once).
std::optional<int> RemoveAll(const MenuCfg& cfg, bool allUsers, DeploymentService& deployment) {
    for (const auto& package : deployment.FindPackages(cfg.name, cfg.publisher, allUsers)) {
        const DeploymentOutcome outcome = deployment.RemovePackage(package.fullName, allUsers);
        if (!outcome.completed) {
            LogLine(u"unregister timeout " + cfg.name);
            return kRegistrarFailed;
        }
        if (outcome.extendedError < 0)
            LogLine(u"unregister fail " + cfg.name + u" hr=" + UnsignedCode(outcome.extendedError));
    }
    return std::nullopt;
}

int UnregisterOrThrow(const MenuCfg& cfg, bool allUsers, DeploymentService& deployment) {
    if (const auto stopped = RemoveAll(cfg, allUsers, deployment))
        return *stopped;
    const size_t left = deployment.FindPackages(cfg.name, cfg.publisher, allUsers).size();
    if (left == 0) {
        LogLine(u"unregister ok " + cfg.name + (allUsers ? u" (all users)" : u""));
        return kRegistrarDone;
    }
    LogLine(u"unregister left " + DecimalText(left) + u" " + cfg.name);
    return kRegistrarFailed;
}

bool IsDotEntry(const wchar_t* name) {
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

bool IsPlainFolder(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsPlainFile(DWORD attributes) {
    return !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

// Deletes the plain files directly inside a folder, then the folder itself. Links are never
// followed: a junction or symbolic link could lead out of the versions' parent folder.
bool RemoveVersionFolder(const std::wstring& folder) {
    if (!IsPlainFolder(GetFileAttributesW(folder.c_str())))
        return false;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsPlainFile(found.dwFileAttributes))
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(folder.c_str()) != FALSE;
}

std::vector<std::u16string> RegisteredVersions(const MenuCfg& cfg, DeploymentService& deployment) {
    std::vector<std::u16string> versions;
    for (const auto& package : deployment.FindPackages(cfg.name, cfg.publisher, true))
        versions.push_back(package.version);
    return versions;
}

} // namespace

int Unregister(const MenuCfg& cfg, bool allUsers, DeploymentService& deployment) {
    MultithreadedApartment apartment;
    try {
        return UnregisterOrThrow(cfg, allUsers, deployment);
    } catch (const DeploymentError& error) {
        LogLine(u"unregister exception " + cfg.name + u" " + error.message);
        return kRegistrarFailed;
    }
}

int Prune(const MenuCfg& cfg, const std::vector<std::u16string>& keep, DeploymentService& deployment) {
    MultithreadedApartment apartment;
    std::vector<std::u16string> versions;
    try {
        versions = RegisteredVersions(cfg, deployment);
    } catch (const DeploymentError&) {
        LogLine(u"prune: cannot list packages " + cfg.name);
        return kRegistrarFailed;
    }
    const std::u16string parent = FolderPart(WithoutTrailingSeparators(cfg.externalLocation));
    if (parent.empty())
        return kRegistrarFailed;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(Wide(parent)) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return kRegistrarDone;
    unsigned long long removed = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDotEntry(found.cFileName) ||
            IsKeptFolder(U16(found.cFileName), keep, versions))
            continue;
        if (RemoveVersionFolder(std::wstring(Wide(parent)) + L"\\" + found.cFileName))
            ++removed;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    LogLine(u"prune " + cfg.name + u" removed=" + DecimalText(removed));
    return kRegistrarDone;
}
