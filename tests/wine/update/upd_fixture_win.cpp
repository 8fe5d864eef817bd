#include "tests/wine/update/upd_fixture_win.h"

#include "tests/wine/test_support_win.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <algorithm>
#include <sstream>

#include "update/manifest_sign.h"

namespace {

constexpr DWORD kPollMs = 10;

std::wstring Environment(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
    return n > 0 && n < ARRAYSIZE(value) ? std::wstring(value, n) : std::wstring();
}

void SetOrClear(const wchar_t* name, const std::wstring& value) {
    SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
}

std::string Utf8Of(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t'))
        fields.push_back(field);
    return fields;
}

BOOL CALLBACK CollectOwnWindows(HWND window, LPARAM context) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, ARRAYSIZE(name));
    return name;
}

BOOL CALLBACK LongestStatic(HWND child, LPARAM context) {
    auto* longest = reinterpret_cast<std::wstring*>(context);
    const std::wstring text = TextOf(child);
    if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0 && text.size() > longest->size())
        *longest = text;
    return TRUE;
}

} // namespace

std::wstring RequiredEnvironment(const wchar_t* name) {
    const std::wstring value = Environment(name);
    if (value.empty())
        ADD_FAILURE() << "run these tests through run_update_tests.sh: " << Utf8Of(name) << " is not set";
    return value;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) { return ReadWholeFile(path); }

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring WideOf(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Sha256Hex(const std::string& bytes) {
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : digest) {
        hex.push_back(kHex[b >> 4]);
        hex.push_back(kHex[b & 15]);
    }
    return hex;
}

UpdSite::UpdSite() : folder_(RequiredEnvironment(L"JK_UPD_SITE")) {}

UpdSite& UpdSite::Get() {
    static UpdSite site;
    return site;
}

void UpdSite::Put(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(WriteFileBytes(folder_ + L"\\" + WideOf(name), bytes));
}

void UpdSite::Route(const std::string& json) const {
    const std::wstring temporary = folder_ + L"\\routes.json.tmp";
    ASSERT_TRUE(WriteFileBytes(temporary, json));
    ASSERT_TRUE(
        MoveFileExW(temporary.c_str(), (folder_ + L"\\routes.json").c_str(), MOVEFILE_REPLACE_EXISTING));
}

std::vector<std::string> UpdSite::TakeRequests() const {
    const std::wstring path = folder_ + L"\\requests.log";
    const std::string text = ReadFileBytes(path).value_or("");
    DeleteFileW(path.c_str());
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::wstring StubPath(const wchar_t* name) {
    return RequiredEnvironment(L"JK_UPD_STUBS") + L"\\" + name + L".exe";
}

std::string StubBytes(const wchar_t* name) {
    const std::optional<std::string> bytes = ReadFileBytes(StubPath(name));
    EXPECT_TRUE(bytes.has_value()) << "no stub installer " << Utf8Of(name);
    return bytes.value_or("");
}

std::string ManifestBody(const EntrySpec& entry) {
    return "{\"v\": 1, \"apps\": {\"player\": {\"latest\": \"" + entry.latest + "\", \"min_supported\": \"" +
           entry.minSupported + "\", \"key\": \"" + entry.key + "\", \"sha256\": \"" + entry.sha256 +
           "\", \"size\": " + std::to_string(entry.size) + "}}}\n";
}

std::string SignedManifest(const std::string& body) {
    const std::string keyText = ReadFileBytes(RequiredEnvironment(L"JK_UPD_SECRET_KEY")).value_or("");
    UpdSecretSeed seed;
    EXPECT_TRUE(ParseUpdSecretKeyFile(keyText, seed));
    return SignUpdManifest(seed, body);
}

UpdTemp::UpdTemp() : oldTmp_(Environment(L"TMP")), oldTemp_(Environment(L"TEMP")) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    path_ = std::wstring(base) + L"jk-upd-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter));
    CreateDirectoryW(path_.c_str(), nullptr);
    SetEnvironmentVariableW(L"TMP", path_.c_str());
    SetEnvironmentVariableW(L"TEMP", path_.c_str());
}

UpdTemp::~UpdTemp() {
    SetOrClear(L"TMP", oldTmp_);
    SetOrClear(L"TEMP", oldTemp_);
    RemoveTree(path_);
}

std::vector<std::string> UpdTemp::LogWords() const {
    const std::string text = ReadFileBytes(path_ + L"\\jkpc-upd-last.txt").value_or("");
    std::vector<std::string> words;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << "log lines end in CR LF: " << line;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> fields = SplitTabs(line);
        EXPECT_GE(fields.size(), 3u) << line;
        EXPECT_EQ(fields.size() > 1 ? fields[1] : "", "player") << line;
        EXPECT_TRUE(fields.size() > 0 && !fields[0].empty() &&
                    fields[0].find_first_not_of("0123456789") == std::string::npos)
            << line;
        if (fields.size() >= 3)
            words.push_back(fields.size() > 3 ? fields[2] + "\t" + fields[3] : fields[2]);
    }
    return words;
}

std::vector<std::wstring> UpdTemp::ScratchFolders() const {
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path_ + L"\\jkpc-upd-*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return folders;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.push_back(path_ + L"\\" + data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return folders;
}

void RemoveTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..")
                    RemoveTree(path + L"\\" + name);
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(path.c_str());
    else
        DeleteFileW(path.c_str());
}

void BoxAnswerer::Poll() {
    std::vector<HWND> windows;
    EnumWindows(CollectOwnWindows, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        if (ClassOf(window) != L"#32770" || std::count(answered_.begin(), answered_.end(), window) > 0)
            continue;
        std::wstring text;
        EnumChildWindows(window, LongestStatic, reinterpret_cast<LPARAM>(&text));
        shown_.push_back({TextOf(window), text});
        answered_.push_back(window);
        const int button = GetDlgItem(window, answer_) ? answer_ : IDOK;
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
    }
}

FakeMainWindow::FakeMainWindow(std::deque<LRESULT> busyAnswers) : busyAnswers_(std::move(busyAnswers)) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"JaskelUpdTestMain";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"main", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                              nullptr, windowClass.hInstance, this);
}

FakeMainWindow::~FakeMainWindow() {
    DestroyWindow(window_);
}

LRESULT CALLBACK FakeMainWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT busy = RegisterWindowMessageW(L"Jaskel.JkUpd.Busy");
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<FakeMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == busy) {
        ++self->questions_;
        if (self->busyAnswers_.empty())
            return 0;
        const LRESULT answer = self->busyAnswers_.front();
        self->busyAnswers_.pop_front();
        return answer;
    }
    if (self && message == WM_CLOSE) {
        ++self->closes_;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, BoxAnswerer* boxes) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (boxes)
            boxes->Poll();
        if (done())
            return true;
        if (GetTickCount64() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    }
}

HWND FindOwnWindow(const wchar_t* className) {
    std::vector<HWND> windows;
    EnumWindows(CollectOwnWindows, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        if (ClassOf(window) == className)
            return window;
    }
    return nullptr;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}
