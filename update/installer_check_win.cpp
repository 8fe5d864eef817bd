#include "update/installer_check_win.h"

#include <softpub.h>
#include <wintrust.h>

#include <cstring>

#include "base/wide_win.h"
#include "i18n/i18n_win.h"
#include "update/progress_win.h"
#include "update/sha256_win.h"
#include "update/upd_log.h"
#include "update/upd_log_win.h"

namespace {

constexpr DWORD kRdnValueChars = 512;
constexpr DWORD kThumbprintBytes = 20;

// The verification state of one WinVerifyTrust call, released with WTD_STATEACTION_CLOSE.
class TrustState {
  public:
    TrustState(const std::u16string& path, HANDLE file) {
        fileInfo_.cbStruct = sizeof fileInfo_;
        fileInfo_.pcwszFilePath = Wide(path);
        fileInfo_.hFile = file;
        data_.cbStruct = sizeof data_;
        data_.dwUIChoice = WTD_UI_NONE;
        data_.fdwRevocationChecks = WTD_REVOKE_NONE;
        data_.dwUnionChoice = WTD_CHOICE_FILE;
        data_.pFile = &fileInfo_;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        result_ = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    ~TrustState() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    TrustState(const TrustState&) = delete;
    TrustState& operator=(const TrustState&) = delete;

    bool Trusted() const { return result_ == 0; }
    // The first certificate of the first signer's chain, or null.
    PCCERT_CONTEXT SignerCertificate() const {
        CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data_.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer =
            provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        CRYPT_PROVIDER_CERT* cert = signer ? WTHelperGetProvCertFromChain(signer, 0) : nullptr;
        return cert ? cert->pCert : nullptr;
    }

  private:
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO fileInfo_ = {};
    WINTRUST_DATA data_ = {};
    LONG result_ = -1;
};

std::string Thumbprint(PCCERT_CONTEXT cert) {
    std::uint8_t hash[kThumbprintBytes];
    DWORD size = sizeof hash;
    if (!CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, hash, &size) || size != sizeof hash)
        return {};
    return UpdUpperHex(hash);
}

PublisherNameTests NameTests(PCCERT_CONTEXT cert) {
    const CERT_NAME_BLOB& subject = cert->pCertInfo->Subject;
    PublisherNameTests tests;
    tests.subjectCommonName = NameHasSingleValue(subject, kOidCommonName, kPinnedSubjectCommonName);
    tests.subjectOrganisation = NameHasSingleValue(subject, kOidOrganisation, kPinnedSubjectOrganisation);
    tests.subjectRegistration = NameHasSingleValue(subject, kOidSerialNumber, kPinnedSubjectRegistration);
    tests.issuerCommonName =
        NameHasSingleValue(cert->pCertInfo->Issuer, kOidCommonName, kPinnedIssuerCommonName);
    return tests;
}

void Refuse(const std::u16string& path, const char* word, std::string_view detail,
            const std::u16string& title, const wchar_t* reason) {
    UpdLog(word, detail);
    DeleteFileW(Wide(path));
    ShowUpdFallback(title, U16(I18nText(reason)));
}

} // namespace

bool NameHasSingleValue(const CERT_NAME_BLOB& name, const char* oid, std::string_view expected) {
    CERT_NAME_INFO* info = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_NAME, name.pbData, name.cbData, CRYPT_DECODE_ALLOC_FLAG,
                             nullptr, &info, &size))
        return false;
    int found = 0;
    bool matches = false;
    for (DWORD i = 0; i < info->cRDN; ++i) {
        const CERT_RDN& rdn = info->rgRDN[i];
        for (DWORD j = 0; j < rdn.cRDNAttr; ++j) {
            const CERT_RDN_ATTR& attribute = rdn.rgRDNAttr[j];
            if (attribute.pszObjId == nullptr || std::strcmp(attribute.pszObjId, oid) != 0)
                continue;
            wchar_t value[kRdnValueChars] = {};
            CertRDNValueToStrW(attribute.dwValueType, const_cast<CERT_RDN_VALUE_BLOB*>(&attribute.Value),
                               value, kRdnValueChars);
            ++found;
            matches = Utf8FromWide(value) == expected;
        }
    }
    LocalFree(info);
    return found == 1 && matches;
}

InstallerCheckResult VerifyInstallerSignature(const std::u16string& path, HANDLE file) {
    TrustState trust(path, file);
    if (!trust.Trusted())
        return InstallerCheckResult::TrustFailed;
    PCCERT_CONTEXT cert = trust.SignerCertificate();
    if (cert == nullptr)
        return InstallerCheckResult::NoSigner;
    return PublisherPinAccepts(Thumbprint(cert), NameTests(cert)) ? InstallerCheckResult::Accepted
                                                                  : InstallerCheckResult::NotPinned;
}

UpdHandle LockAndVerifyInstaller(const std::u16string& path, const UpdManifestEntry& entry,
                                 const std::u16string& title) {
    // From here until the handle closes no other process can change or replace the file.
    UpdHandle file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        UpdLog(upd_word::kLockFailed, std::to_string(GetLastError()));
        ShowUpdFallback(title, U16(I18nText(L"설치 프로그램을 시작할 수 없습니다.")));
        return {};
    }
    std::string hex;
    std::int64_t length = 0;
    const LARGE_INTEGER start = {};
    if (!Sha256OfOpenFile(file.Get(), hex, length) || !UpdInstallerMatches(hex, length, entry) ||
        !SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN)) {
        file.Close();
        Refuse(path, upd_word::kRelockSha, {}, title,
               L"새 버전을 내려받지 못했습니다(연결이 끊겼거나 파일이 완전하지 않습니다).");
        return {};
    }
    const InstallerCheckResult result = VerifyInstallerSignature(path, file.Get());
    if (result != InstallerCheckResult::Accepted) {
        file.Close();
        Refuse(path, upd_word::kBadSignature, std::to_string(static_cast<int>(result)), title,
               L"내려받은 파일에 Jaskel의 서명이 없어 설치하지 않았습니다.");
        return {};
    }
    return file;
}
