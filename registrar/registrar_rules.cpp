#include "registrar/registrar_rules.h"

#include <cstdio>

#include "base/ascii.h"
#include "base/path_text.h"
#include "base/utf.h"

namespace {

bool AnyEqualsNoCase(std::u16string_view name, const std::vector<std::u16string>& candidates) {
    for (const auto& c : candidates) {
        if (AsciiEqualsNoCase(name, c))
            return true;
    }
    return false;
}

} // namespace

std::u16string DecimalText(unsigned long long value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string FormatPackageVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t build,
                                    std::uint16_t revision) {
    return DecimalText(major) + u"." + DecimalText(minor) + u"." + DecimalText(build) + u"." +
           DecimalText(revision);
}

bool SameExternalLocation(std::u16string_view packagePath, std::u16string_view configured) {
    const std::u16string path = WithoutTrailingSeparators(packagePath);
    return !path.empty() && AsciiEqualsNoCase(path, WithoutTrailingSeparators(configured));
}

std::u16string UnsignedCode(std::int32_t code) {
    return DecimalText(static_cast<std::uint32_t>(code));
}

std::string FormatLogLine(const LocalTime& t, std::u16string_view message) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return stamp + Utf16ToUtf8(message) + "\r\n";
}

std::optional<std::u16string> SkipReasonFor(const SystemFacts& facts) {
    constexpr std::uint32_t kFirstWindows11Build = 22000;
    if (!facts.buildNumber || *facts.buildNumber < kFirstWindows11Build)
        return u"windows-10";
    if (facts.safeMode)
        return u"safe-mode";
    if (facts.classicMenuForced)
        return u"classic-menu-forced";
    return std::nullopt;
}

bool EnsureGivesUp(const StateRecord& record, const MenuCfg& cfg) {
    constexpr std::uint32_t kMostTries = 2;
    const std::uint32_t hr = record.hr.value_or(1);
    const std::uint32_t tries = record.tries.value_or(0);
    return record.ver.value_or(u"") == cfg.version && record.installId.value_or(u"") == cfg.installId &&
           hr != 0 && tries > kMostTries;
}

std::uint32_t NextTries(std::int32_t hr, bool repeat, std::optional<std::uint32_t> oldTries) {
    if (hr >= 0)
        return 0;
    return repeat ? oldTries.value_or(0) + 1 : 1;
}

bool IsKeptFolder(std::u16string_view name, const std::vector<std::u16string>& keep,
                  const std::vector<std::u16string>& registeredVersions) {
    return AnyEqualsNoCase(name, keep) || AnyEqualsNoCase(name, registeredVersions);
}
