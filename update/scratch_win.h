#pragma once
// The scratch folders "jkpc-upd-…" in the temp folder where installers are downloaded: a new one
// per download, reuse of an installer an earlier run left, and removal of old folders.
#include <string>

#include "update/manifest.h"

// A new, empty scratch folder; empty on failure.
std::u16string MakeScratchDir();

// An installer left by an earlier run whose size and SHA-256 match the entry, or empty.
std::u16string FindCachedInstaller(const std::u16string& fileName, const UpdManifestEntry& entry);

// Empties and removes scratch folders last written more than a day ago, except folderToKeep.
// A folder that is a reparse point (junction, symbolic link) is never entered or removed.
void RemoveStaleScratchDirs(const std::u16string& folderToKeep);
