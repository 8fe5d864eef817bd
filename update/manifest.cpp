#include "update/manifest.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "update/base64.h"
#include "update/ed25519.h"
#include "update/json_reader.h"
#include "update/upd_version.h"

namespace {

constexpr std::size_t kSignatureBytes = 64;

// What the body yields: "v" seen, and the entry for the asked app if there was one.
struct BodyScan {
    bool versionSeen = false;
    std::optional<UpdJsonEntry> entry;
};

// Signature bytes from the first line, or nullopt when size, magic, line end or encoding is wrong.
// bodyStart is set to the first byte after the line feed.
std::optional<std::vector<std::uint8_t>> ReadSignatureLine(std::string_view text, std::size_t& bodyStart) {
    if (text.size() > kUpdManifestMaxBytes || text.size() < kUpdManifestMagic.size() ||
        !text.starts_with(kUpdManifestMagic))
        return std::nullopt;
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos || text[lf - 1] == '\r')
        return std::nullopt;
    const std::size_t start = kUpdManifestMagic.size();
    auto signature = lf >= start ? DecodeStrictBase64(text.substr(start, lf - start)) : std::nullopt;
    if (!signature || signature->size() != kSignatureBytes)
        return std::nullopt;
    bodyStart = lf + 1;
    return signature;
}

// "apps": an object of entry objects; the entry named appName is kept, a second one fails.
bool ReadApps(UpdJsonReader& reader, std::string_view appName, BodyScan& scan) {
    if (!reader.Consume('{'))
        return false;
    reader.SkipWhitespace();
    if (reader.Consume('}'))
        return true;
    for (;;) {
        std::string name;
        reader.SkipWhitespace();
        if (!reader.ReadString(name))
            return false;
        reader.SkipWhitespace();
        UpdJsonEntry entry;
        if (!reader.Consume(':') || !ReadUpdJsonEntry(reader, entry))
            return false;
        if (name == appName) {
            if (scan.entry)
                return false;
            scan.entry = std::move(entry);
        }
        reader.SkipWhitespace();
        if (reader.Consume('}'))
            return true;
        if (!reader.Consume(','))
            return false;
    }
}

bool ReadTopMember(UpdJsonReader& reader, std::string_view appName, BodyScan& scan) {
    std::string name;
    if (!reader.ReadString(name))
        return false;
    reader.SkipWhitespace();
    if (!reader.Consume(':'))
        return false;
    reader.SkipWhitespace();
    if (name == "v") {
        std::int64_t v = 0;
        scan.versionSeen = true;
        return reader.ReadInteger(v) && v == 1;
    }
    if (name == "apps")
        return ReadApps(reader, appName, scan);
    return reader.SkipValue(1);
}

bool ScanBody(std::string_view body, std::string_view appName, BodyScan& scan) {
    UpdJsonReader reader(body);
    reader.SkipWhitespace();
    if (!reader.Consume('{'))
        return false;
    reader.SkipWhitespace();
    if (!reader.Consume('}')) {
        for (;;) {
            reader.SkipWhitespace();
            if (!ReadTopMember(reader, appName, scan))
                return false;
            reader.SkipWhitespace();
            if (reader.Consume('}'))
                break;
            if (!reader.Consume(','))
                return false;
        }
    }
    reader.SkipWhitespace();
    return reader.AtEnd();
}

std::string TextOf(const UpdJsonEntry& entry, const char* name) {
    const auto it = entry.texts.find(name);
    return it == entry.texts.end() ? std::string() : it->second;
}

bool IsLowerHex(std::string_view text, std::size_t length) {
    if (text.size() != length)
        return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

bool IsAsciiAlnum(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool InstallerNameIsValid(std::string_view name, bool mac) {
    if (name.empty() || name.size() > kUpdMaxInstallerNameBytes || !name.ends_with(mac ? ".dmg" : ".exe"))
        return false;
    if (!IsAsciiAlnum(name.front()))
        return false;
    for (const char c : name) {
        if (!IsAsciiAlnum(c) && c != ' ' && c != '-' && c != '.' && c != '_')
            return false;
    }
    return true;
}

} // namespace

const char* UpdResultName(int result) {
    switch (result) {
    case 0:
        return "ok";
    case 1:
        return "bad-format";
    case 2:
        return "bad-manifest-sig";
    case 3:
        return "bad-json";
    case 4:
        return "no-app";
    case 5:
        return "bad-entry";
    default:
        return "?";
    }
}

bool IsMacApp(std::string_view appName) {
    return appName.ends_with("-mac");
}

bool UpdEntryIsValid(const UpdManifestEntry& entry, std::string_view appName) {
    const bool mac = IsMacApp(appName);
    UpdVersion ignored;
    if (!ParseUpdVersion(entry.latest, mac, ignored) || !ParseUpdVersion(entry.minSupported, mac, ignored))
        return false;
    const std::string_view key = entry.key;
    if (key.size() <= appName.size() || !key.starts_with(appName) || key[appName.size()] != '/')
        return false;
    if (!InstallerNameIsValid(key.substr(appName.size() + 1), mac))
        return false;
    return IsLowerHex(entry.sha256, 64) && entry.size >= 1 && entry.size <= kUpdMaxInstallerSize;
}

UpdManifestResult ParseUpdManifest(std::string_view text, const UpdPublicKey& publicKey,
                                   std::string_view appName, UpdManifestEntry& out) {
    out = {};
    std::size_t bodyStart = 0;
    const auto signature = ReadSignatureLine(text, bodyStart);
    if (!signature)
        return UpdManifestResult::BadFormat;
    const std::string_view body = text.substr(bodyStart);
    if (!VerifyEd25519(std::span<const std::uint8_t, 64>(signature->data(), 64), publicKey, body))
        return UpdManifestResult::BadManifestSig;
    return ParseUpdManifestBody(body, appName, out);
}

UpdManifestResult ParseUpdManifestBody(std::string_view body, std::string_view appName,
                                       UpdManifestEntry& out) {
    out = {};
    BodyScan scan;
    if (!ScanBody(body, appName, scan) || !scan.versionSeen)
        return UpdManifestResult::BadJson;
    if (!scan.entry)
        return UpdManifestResult::NoApp;
    UpdManifestEntry entry{TextOf(*scan.entry, "latest"), TextOf(*scan.entry, "min_supported"),
                           TextOf(*scan.entry, "key"), TextOf(*scan.entry, "sha256"), 0};
    if (const auto it = scan.entry->numbers.find("size"); it != scan.entry->numbers.end())
        entry.size = it->second;
    if (!UpdEntryIsValid(entry, appName))
        return UpdManifestResult::BadEntry;
    out = std::move(entry);
    return UpdManifestResult::Ok;
}

bool DecodeUpdPublicKey(std::string_view base64, UpdPublicKey& out) {
    const auto bytes = DecodeStrictBase64(base64);
    if (!bytes || bytes->size() != out.size())
        return false;
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return true;
}
