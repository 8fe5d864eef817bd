#include "update/probe.h"

#include "app/command_line.h"
#include "base/utf.h"

std::optional<std::string> ProbeAnswer(const std::vector<std::u16string>& args, std::u16string_view ownVersion) {
    const auto expected = ProbeVersionArgument(args);
    if (!expected || *expected != ownVersion)
        return std::nullopt;
    return "ok " + Utf16ToUtf8(ownVersion) + "\n";
}
