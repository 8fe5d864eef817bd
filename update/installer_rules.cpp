#include "update/installer_rules.h"

#include "update/transfer_rules.h"

std::u16string UpdScratchDirName(std::span<const std::uint8_t, 6> random) {
    std::u16string name(kUpdScratchPrefix);
    for (const char c : UpdLowerHex(random))
        name.push_back(static_cast<char16_t>(c));
    return name;
}

bool IsUpdScratchDirName(std::u16string_view name) {
    if (name.size() != kUpdScratchPrefix.size() + 12 || !name.starts_with(kUpdScratchPrefix))
        return false;
    for (const char16_t c : name.substr(kUpdScratchPrefix.size())) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

bool UpdScratchDirIsStale(std::int64_t nowSeconds, std::int64_t lastWriteSeconds) {
    return nowSeconds - lastWriteSeconds > kUpdScratchStaleSeconds;
}

bool UpdInstallerMatches(std::string_view computedHex, std::int64_t length, const UpdManifestEntry& entry) {
    return length == entry.size && UpdHashMatches(computedHex, entry.sha256);
}

std::string UpdUpperHex(std::span<const std::uint8_t> bytes) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : bytes) {
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 15]);
    }
    return out;
}

bool PublisherPinAccepts(std::string_view thumbprintHex, const PublisherNameTests& names) {
    if (thumbprintHex == kPinnedThumbprint)
        return true;
    return names.subjectCommonName && names.subjectOrganisation && names.subjectRegistration &&
           names.issuerCommonName;
}
