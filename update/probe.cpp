#include "update/probe.h"

#include "base/ascii.h"
#include "base/utf.h"

bool IsProbeMode(const std::vector<std::u16string>& args) {
    for (const auto& arg : args) {
        if (AsciiEqualsNoCase(arg, u"--jk-upd-probe"))
            return true;
    }
    return false;
}

std::optional<std::u16string> ProbeVersionArgument(const std::vector<std::u16string>& args) {
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (AsciiEqualsNoCase(args[i], u"--jk-upd-probe"))
            return args[i + 1];
    }
    return std::nullopt;
}

std::optional<std::string> ProbeAnswer(const std::vector<std::u16string>& args, std::u16string_view ownVersion) {
    const auto expected = ProbeVersionArgument(args);
    if (!expected || *expected != ownVersion)
        return std::nullopt;
    return "ok " + Utf16ToUtf8(ownVersion) + "\n";
}
