#include "i18n/i18n_win.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "base/wide_win.h"
#include "i18n/catalog_search.h"
#include "i18n/format_retry.h"
#include "i18n/language_choice.h"
#include "i18n/text_cache.h"

namespace {

// A slim reader/writer lock in the shape the standard lock guards expect.
class SrwLock {
  public:
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    void lock_shared() { AcquireSRWLockShared(&lock_); }
    void unlock_shared() { ReleaseSRWLockShared(&lock_); }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

struct I18nState {
    int activeIndex = -1;
    TextCache<wchar_t, SrwLock> cache;
    std::atomic<long> missCount{0};
};

I18nState& State() {
    static I18nState state;
    return state;
}


std::optional<std::u16string> LangEnvironment() {
    wchar_t buffer[kLangEnvironmentUnits];
    const DWORD n = GetEnvironmentVariableW(L"JK_LANG", buffer, ARRAYSIZE(buffer));
    if (n == 0)
        return std::nullopt;
    if (n >= ARRAYSIZE(buffer))
        return std::u16string(kLangEnvironmentUnits, u'x'); // too long: the rule ignores it
    return U16(buffer, n);
}

std::optional<RegistryText> LangRegistry() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Jaskel", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    wchar_t buffer[kLangRegistryUnits] = {};
    DWORD type = 0;
    DWORD bytes = sizeof buffer;
    const LSTATUS status =
        RegQueryValueExW(key, L"Lang", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    return RegistryText{type == REG_SZ, U16(buffer, bytes / sizeof(wchar_t))};
}

BOOL CALLBACK ChooseOnce(PINIT_ONCE, PVOID, PVOID*) {
    LanguageSources sources;
    sources.args = ProcessArguments();
    sources.environment = LangEnvironment();
    sources.registry = LangRegistry();
    sources.uiLanguage = GetUserDefaultUILanguage();
    State().activeIndex = ChooseLanguage(CatalogLangTable(), sources);
    return TRUE;
}

const LangInfo& ActiveRow() {
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    InitOnceExecuteOnce(&once, ChooseOnce, nullptr, nullptr);
    return CatalogLangTable()[State().activeIndex];
}

} // namespace

const wchar_t* I18nText(const wchar_t* src) {
    if (src == nullptr)
        return nullptr;
    const LangInfo& row = ActiveRow();
    if (row.entries == nullptr)
        return src; // Korean: the source texts are the interface
    I18nState& state = State();
    if (const wchar_t* cached = state.cache.Find(src))
        return cached;
    const char* translation = FindTranslation(row, Utf8FromWide(src));
    if (translation == nullptr) {
        ++state.missCount;
        return src;
    }
    return state.cache.Insert(src, [&] { return WideFromUtf8(translation); });
}

std::wstring I18nFormat(const wchar_t* src, ...) {
    const wchar_t* format = I18nText(src);
    if (format == nullptr)
        return {};
    va_list args;
    va_start(args, src);
    std::wstring out = FormatWithGrowingBuffer<wchar_t>(format, [&](wchar_t* buffer, size_t units) {
        va_list attempt;
        va_copy(attempt, args);
        const int written = _vsnwprintf_s(buffer, units, _TRUNCATE, format, attempt);
        va_end(attempt);
        return written;
    });
    va_end(args);
    return out;
}

const wchar_t* I18nFontFace() { return reinterpret_cast<const wchar_t*>(ActiveRow().fontFace); }
bool I18nIsRtl() { return ActiveRow().rtl != 0; }
const char* I18nLangCode() { return ActiveRow().code; }
long I18nMissCount() {
    ActiveRow();
    return State().missCount.load();
}
