#include "ui/item_text.h"

#include <cstdio>

#include "base/utf.h"
#include "ui/transport_rules.h"

std::u16string DisplayName(const std::u16string& path) {
    const size_t last = path.find_last_of(u"\\/:");
    if (last == std::u16string::npos)
        return path;
    std::u16string name = path.substr(last + 1);
    return name.empty() ? path : name;
}

std::u16string WindowTitleText(const std::u16string* itemPath, const std::u16string& programName) {
    if (itemPath == nullptr)
        return programName;
    return DisplayName(*itemPath) + u" - " + programName;
}

std::u16string SpeedText(double speed) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2gx", speed);
    return Utf8ToUtf16(text);
}

std::u16string InfoDurationText(double duration) { return Utf8ToUtf16(FormatClock(duration > 0 ? duration : 0)); }
