#pragma once
// Portable rules of installer verification and the scratch folders: folder names and age, whether
// a file on disk is the one the manifest describes, and the publisher pin. The Windows layer does
// the file, WinVerifyTrust and certificate calls and feeds the results in.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "update/manifest.h"

inline constexpr std::u16string_view kUpdScratchPrefix = u"jkpc-upd-";
inline constexpr int kUpdScratchTries = 16;
// A folder last written more than this many seconds ago is stale.
inline constexpr std::int64_t kUpdScratchStaleSeconds = 86399;

// "jkpc-upd-" + 12 lower-case hex digits of the 6 random bytes.
std::u16string UpdScratchDirName(std::span<const std::uint8_t, 6> random);

// True only for names UpdScratchDirName can make, so a clean-up never touches a folder that merely
// shares the prefix.
bool IsUpdScratchDirName(std::u16string_view name);

bool UpdScratchDirIsStale(std::int64_t nowSeconds, std::int64_t lastWriteSeconds);

// Size and hash of a file on disk against the entry (cached installer, re-check under the lock).
bool UpdInstallerMatches(std::string_view computedHex, std::int64_t length, const UpdManifestEntry& entry);

enum class InstallerCheckResult : int {
    Accepted = 0,
    TrustFailed = 3001, // WinVerifyTrust did not report success
    NoSigner = 3002,    // no signer or signer certificate in the verification state
    NotPinned = 3003,   // valid signature, other publisher
};

inline constexpr std::string_view kPinnedThumbprint = "0F0E0D0C0B0A09080706050403020100FFEEDDCC";
inline constexpr std::string_view kPinnedSubjectCommonName = "Elmsworth Labs Inc.";
inline constexpr std::string_view kPinnedSubjectOrganisation = "Elmsworth Labs Inc.";
inline constexpr std::string_view kPinnedSubjectRegistration = "000000-0000000";
inline constexpr std::string_view kPinnedIssuerCommonName =
    "DigiCert Trusted G4 Code Signing RSA4096 SHA384 2021 CA1";
inline constexpr const char* kOidCommonName = "2.5.4.3";
inline constexpr const char* kOidOrganisation = "2.5.4.10";
inline constexpr const char* kOidSerialNumber = "2.5.4.5";

// 40 upper-case hex digits of a SHA-1 thumbprint.
std::string UpdUpperHex(std::span<const std::uint8_t> bytes);

// Results of the four single-valued name tests of the signer certificate.
struct PublisherNameTests {
    bool subjectCommonName = false;
    bool subjectOrganisation = false;
    bool subjectRegistration = false;
    bool issuerCommonName = false;
};

// The pin: the thumbprint matches, or all four name tests pass.
bool PublisherPinAccepts(std::string_view thumbprintHex, const PublisherNameTests& names);
