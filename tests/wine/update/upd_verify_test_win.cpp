// Installer verification and the scratch folders: CNG hashing, Authenticode and the publisher pin
// on stub installers signed by run_update_tests.sh, the lock against writers, reuse and clean-up.
#include <gtest/gtest.h>

#include "tests/wine/update/upd_fixture_win.h"
#include "update/installer_check_win.h"
#include "update/scratch_win.h"
#include "update/sha256_win.h"

namespace {

constexpr std::int64_t kDaySeconds = 86400;

std::u16string U16Of(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

bool RunningOnWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(UpdVerify, Sha256OfFileMatchesAnIndependentHashAndCountsEveryByte) {
    UpdTemp temp;
    const std::string cases[] = {std::string(), std::string("abc"), std::string(65536 * 3 + 17, '\x5a')};
    for (const std::string& bytes : cases) {
        const std::wstring path = temp.Path() + L"\\f.bin";
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        std::string hex;
        std::int64_t length = -1;
        EXPECT_TRUE(Sha256OfFile(U16Of(path), hex, length));
        EXPECT_EQ(hex, Sha256Hex(bytes));
        EXPECT_EQ(length, static_cast<std::int64_t>(bytes.size()));
    }
    std::string hex;
    std::int64_t length = 0;
    EXPECT_FALSE(Sha256OfFile(U16Of(temp.Path() + L"\\missing.bin"), hex, length));
}

// Wine's WinVerifyTrust does not check the chain's root, so the test CA's signatures count as valid
// there; on Windows the test CA would have to be a trusted root for the first row.
TEST(UpdVerify, SignatureCheckAcceptsOnlyThePinnedPublisher) {
    const struct {
        const wchar_t* stub;
        InstallerCheckResult result;
    } cases[] = {
        {L"publisher", InstallerCheckResult::Accepted}, // a renewed certificate: new thumbprint, same names
        {L"unsigned", InstallerCheckResult::TrustFailed}, {L"tampered", InstallerCheckResult::TrustFailed},
        {L"other", InstallerCheckResult::NotPinned},      {L"twice", InstallerCheckResult::NotPinned},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "stub " << std::string(c.stub, c.stub + wcslen(c.stub)));
        const std::wstring path = StubPath(c.stub);
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(VerifyInstallerSignature(U16Of(path), file), c.result);
        CloseHandle(file);
    }
}

TEST(UpdVerify, UntrustedRootIsRefusedOnWindowsOnly) {
    if (RunningOnWine())
        GTEST_SKIP() << "Windows only: Wine's WinVerifyTrust accepts untrusted roots and partial chains";
    const std::wstring path = StubPath(L"publisher");
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(VerifyInstallerSignature(U16Of(path), file), InstallerCheckResult::TrustFailed);
    CloseHandle(file);
}

std::vector<BYTE> EncodedName(const wchar_t* x500) {
    DWORD size = 0;
    CertStrToNameW(X509_ASN_ENCODING, x500, CERT_X500_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG, nullptr,
                   nullptr, &size, nullptr);
    std::vector<BYTE> bytes(size);
    EXPECT_TRUE(CertStrToNameW(X509_ASN_ENCODING, x500, CERT_X500_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG,
                               nullptr, bytes.data(), &size, nullptr));
    bytes.resize(size);
    return bytes;
}

TEST(UpdVerify, NameTestWantsExactlyOneMatchingAttribute) {
    const struct {
        const wchar_t* name;
        const char* oid;
        const char* expected;
        bool holds;
    } cases[] = {
        {L"CN=Elmsworth Labs Inc.; O=Elmsworth Labs Inc.", "2.5.4.3", "Elmsworth Labs Inc.", true},
        {L"CN=Elmsworth Labs Inc.; O=Elmsworth Labs Inc.", "2.5.4.10", "Elmsworth Labs Inc.", true},
        {L"CN=Elmsworth Labs Inc.; CN=Elmsworth Labs Inc.", "2.5.4.3", "Elmsworth Labs Inc.", false},
        {L"CN=Elmsworth Labs Inc.; CN=Other", "2.5.4.3", "Elmsworth Labs Inc.", false},
        {L"CN=Elmsworth Labs Inc", "2.5.4.3", "Elmsworth Labs Inc.", false},
        {L"O=Elmsworth Labs Inc.", "2.5.4.3", "Elmsworth Labs Inc.", false},
        {L"CN=Jaskel Größe", "2.5.4.3",
         "Jaskel Gr\xc3\xb6\xc3\x9f"
         "e",
         true},
    };
    for (const auto& c : cases) {
        std::vector<BYTE> bytes = EncodedName(c.name);
        CERT_NAME_BLOB blob = {static_cast<DWORD>(bytes.size()), bytes.data()};
        EXPECT_EQ(NameHasSingleValue(blob, c.oid, c.expected), c.holds)
            << std::string(c.name, c.name + wcslen(c.name)) << " " << c.oid;
    }
}

UpdManifestEntry EntryFor(const std::string& bytes) {
    UpdManifestEntry entry;
    entry.latest = "0.6.9";
    entry.minSupported = "0.6.0";
    entry.key = kInstallerKey;
    entry.sha256 = Sha256Hex(bytes);
    entry.size = static_cast<std::int64_t>(bytes.size());
    return entry;
}

TEST(UpdVerify, LockedInstallerCannotBeWrittenUntilReleased) {
    UpdTemp temp;
    const std::string bytes = StubBytes(L"publisher");
    const std::wstring path = temp.Path() + L"\\Setup.exe";
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    BoxAnswerer boxes;
    UpdHandle lock = LockAndVerifyInstaller(U16Of(path), EntryFor(bytes), u"Jaskel Player");
    ASSERT_TRUE(lock);
    boxes.Poll();
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(temp.LogWords().empty());
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(MoveFileExW(path.c_str(), (path + L".old").c_str(), MOVEFILE_REPLACE_EXISTING));
    lock.Close();
    writer = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);
}

// Each refusal runs on a thread of its own: the fallback dialog blocks it until answered.
struct Refusal {
    const char* name;
    const wchar_t* stub;
    std::int64_t sizeDelta;
    bool holdForWriting;
    std::vector<std::string> log;
    const wchar_t* reason;
    bool fileRemains;
};

TEST(UpdVerify, RefusedInstallerIsLoggedDeletedAndExplained) {
    const std::wstring kDownloadFailed =
        L"Could not download the new version (the connection dropped or the file is "
        L"incomplete).";
    const Refusal cases[] = {
        {"wrong size", L"publisher", 1, false, {"relock-sha"}, kDownloadFailed.c_str(), false},
        {"unsigned",
         L"unsigned",
         0,
         false,
         {"bad-signature\t3001"},
         L"The downloaded file is not signed by Jaskel, so it was not installed.",
         false},
        {"other publisher",
         L"other",
         0,
         false,
         {"bad-signature\t3003"},
         L"The downloaded file is not signed by Jaskel, so it was not installed.",
         false},
        {"held for writing",
         L"publisher",
         0,
         true,
         {"lock-failed\t32"},
         L"Could not start the installer.",
         true},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        UpdTemp temp;
        const std::string bytes = StubBytes(c.stub);
        const std::wstring path = temp.Path() + L"\\Setup.exe";
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        HANDLE writer = c.holdForWriting ? CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                       OPEN_EXISTING, 0, nullptr)
                                         : INVALID_HANDLE_VALUE;
        UpdManifestEntry entry = EntryFor(bytes);
        entry.size += c.sizeDelta;
        struct Call {
            std::u16string path;
            UpdManifestEntry entry;
            bool locked = true;
        } call{U16Of(path), entry};
        HANDLE thread = CreateThread(
            nullptr, 0,
            [](LPVOID p) -> DWORD {
                auto* call = static_cast<Call*>(p);
                call->locked =
                    static_cast<bool>(LockAndVerifyInstaller(call->path, call->entry, u"Jaskel Player"));
                return 0;
            },
            &call, 0, nullptr);
        BoxAnswerer boxes;
        EXPECT_TRUE(
            PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000, &boxes));
        CloseHandle(thread);
        if (writer != INVALID_HANDLE_VALUE)
            CloseHandle(writer);
        EXPECT_FALSE(call.locked);
        EXPECT_EQ(temp.LogWords(), c.log);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].caption, L"Jaskel Player");
        EXPECT_EQ(boxes.Shown()[0].text, std::wstring(c.reason) +
                                             L"\n\nPlease download and install the new version "
                                             L"from our website. Open the website now?");
        EXPECT_EQ(Exists(path), c.fileRemains);
    }
}

void SetFolderAge(const std::wstring& folder, std::int64_t ageSeconds) {
    HANDLE handle = CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= static_cast<ULONGLONG>(ageSeconds) * 10000000ULL;
    FILETIME then = {t.LowPart, t.HighPart};
    EXPECT_TRUE(SetFileTime(handle, nullptr, nullptr, &then));
    CloseHandle(handle);
}

std::wstring MakeFolderWithFile(const std::wstring& folder, std::int64_t ageSeconds) {
    CreateDirectoryW(folder.c_str(), nullptr);
    WriteFileBytes(folder + L"\\Setup.exe", "old installer");
    SetFolderAge(folder, ageSeconds);
    return folder;
}

TEST(UpdVerify, MakeScratchDirCreatesARandomlyNamedFolder) {
    UpdTemp temp;
    const std::u16string first = MakeScratchDir();
    const std::u16string second = MakeScratchDir();
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    const std::wstring name(first.begin() + static_cast<std::ptrdiff_t>(temp.Path().size()) + 1, first.end());
    EXPECT_EQ(name.rfind(L"jkpc-upd-", 0), 0u) << std::string(name.begin(), name.end());
    EXPECT_EQ(name.size(), 21u);
    EXPECT_EQ(name.find_first_not_of(L"0123456789abcdef", 9), std::wstring::npos);
    EXPECT_EQ(temp.ScratchFolders().size(), 2u);
}

TEST(UpdVerify, StaleScratchFoldersGoButTheChosenAndRecentOnesStay) {
    UpdTemp temp;
    const std::wstring old = MakeFolderWithFile(temp.Path() + L"\\jkpc-upd-000000000001", 3 * kDaySeconds);
    const std::wstring recent = MakeFolderWithFile(temp.Path() + L"\\jkpc-upd-000000000002", 23 * 3600);
    const std::wstring chosen = MakeFolderWithFile(temp.Path() + L"\\jkpc-upd-000000000003", 3 * kDaySeconds);
    const std::wstring lookalike = MakeFolderWithFile(temp.Path() + L"\\jkpc-upd-notes", 3 * kDaySeconds);
    const std::wstring nested = MakeFolderWithFile(temp.Path() + L"\\jkpc-upd-000000000004", 3 * kDaySeconds);
    CreateDirectoryW((nested + L"\\inner").c_str(), nullptr);
    SetFolderAge(nested, 3 * kDaySeconds);
    std::wstring chosenUpper = chosen;
    CharUpperW(chosenUpper.data());
    RemoveStaleScratchDirs(U16Of(chosenUpper));
    EXPECT_FALSE(Exists(old));
    EXPECT_TRUE(Exists(recent + L"\\Setup.exe"));
    EXPECT_TRUE(Exists(chosen + L"\\Setup.exe"));
    EXPECT_TRUE(Exists(lookalike + L"\\Setup.exe"));
    EXPECT_FALSE(Exists(nested + L"\\Setup.exe")); // its files go, the subfolder keeps the folder
    EXPECT_TRUE(Exists(nested + L"\\inner"));
}

// run_update_tests.sh leaves a folder with a stale "jkpc-upd-…" symbolic link to another folder
// and a stale real scratch folder; Wine shows the link as a reparse point, as Windows does.
TEST(UpdVerify, CleanUpNeverFollowsALink) {
    const std::wstring links = RequiredEnvironment(L"JK_UPD_LINKS");
    const std::wstring link = links + L"\\jkpc-upd-0000000000aa";
    ASSERT_TRUE(GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    ASSERT_TRUE(Exists(link + L"\\Setup.exe")) << "the link leads to the other folder";
    ASSERT_TRUE(Exists(links + L"\\jkpc-upd-0000000000bb\\Setup.exe"));
    wchar_t oldTmp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", oldTmp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", links.c_str());
    RemoveStaleScratchDirs(u"");
    SetEnvironmentVariableW(L"TMP", oldTmp);
    EXPECT_FALSE(Exists(links + L"\\jkpc-upd-0000000000bb")) << "the real stale folder goes";
    EXPECT_TRUE(Exists(links + L"\\precious\\Setup.exe"));
    EXPECT_TRUE(Exists(link));
}

TEST(UpdVerify, CachedInstallerIsReusedOnlyWithTheSameBytes) {
    UpdTemp temp;
    const std::string bytes = StubBytes(L"publisher");
    const UpdManifestEntry entry = EntryFor(bytes);
    EXPECT_EQ(FindCachedInstaller(u"Setup.exe", entry), u"");
    const std::wstring empty = temp.Path() + L"\\jkpc-upd-000000000001";
    CreateDirectoryW(empty.c_str(), nullptr);
    const std::wstring folder = temp.Path() + L"\\jkpc-upd-000000000002";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\Setup.exe", bytes));
    EXPECT_EQ(FindCachedInstaller(u"Setup.exe", entry), U16Of(folder + L"\\Setup.exe"));
    std::string changed = bytes;
    changed[1000] ^= 1;
    ASSERT_TRUE(WriteFileBytes(folder + L"\\Setup.exe", changed));
    EXPECT_EQ(FindCachedInstaller(u"Setup.exe", entry), u"");
}

} // namespace
