#pragma once
// The string catalog: every visible text is written as its Korean source literal and passed
// through I18nText or I18nFormat when it is shown. Safe to call from any thread; the first call
// of any of these functions chooses the language for the rest of the process.
#include <string>

const wchar_t* I18nText(const wchar_t* src);
std::wstring I18nFormat(const wchar_t* src, ...);
const wchar_t* I18nFontFace();
bool I18nIsRtl();
const char* I18nLangCode();
long I18nMissCount();
