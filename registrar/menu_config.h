#pragma once
// The registrar's configuration: one command-line argument of exactly seven fields separated by
// "|", written by the installer (no escaping).
#include <optional>
#include <string>
#include <string_view>

struct MenuCfg {
    std::u16string name;             // package name
    std::u16string publisher;        // package publisher
    std::u16string version;          // Major.Minor.Build.Revision, compared exactly
    std::u16string packagePath;      // the package file to add
    std::u16string externalLocation; // the folder given to the package as its external location
    std::u16string stateKey;         // the state record's key under HKEY_CURRENT_USER
    std::u16string installId;        // the installation that wrote the configuration
};

// The configuration, or nullopt when it has another number of fields or an empty name, publisher
// or version.
std::optional<MenuCfg> ParseMenuCfg(std::u16string_view text);
