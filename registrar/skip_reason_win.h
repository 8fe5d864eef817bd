#pragma once
// Whether this system gets the Windows 11 context menu: the build number (RtlGetVersion), safe
// mode, and the user's switch back to the legacy menu.
#include <optional>
#include <string>

std::optional<std::u16string> SystemSkipReason();
