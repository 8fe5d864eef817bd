#pragma once
// Before the installer runs with administrator rights: it must be exactly the file the signed
// manifest describes and carry a valid Authenticode signature of the pinned publisher, and it
// stays locked against writers from that check until it has been started.
#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <string_view>

#include "update/file_handle_win.h"
#include "update/installer_rules.h"
#include "update/manifest.h"

// The installer opened for reading with read sharing only, after size, hash and signature held.
// On failure: an empty handle, after logging, deleting the file (except when it could not be
// opened) and showing the fallback dialog.
UpdHandle LockAndVerifyInstaller(const std::u16string& path, const UpdManifestEntry& entry,
                                 const std::u16string& title);

InstallerCheckResult VerifyInstallerSignature(const std::u16string& path, HANDLE file);

// True only when the encoded X.500 name holds exactly one attribute with that object identifier
// and its value, as UTF-8, is the expected text byte for byte.
bool NameHasSingleValue(const CERT_NAME_BLOB& name, const char* oid, std::string_view expected);
