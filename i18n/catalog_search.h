#pragma once
#include <string>

#include "i18n/lang_table.h"

// Binary search of a language's entries by the UTF-8 key in strcmp order; null when absent.
const char* FindTranslation(const LangInfo& row, const std::string& keyUtf8);
