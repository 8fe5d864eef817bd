#pragma once
// Right-to-left reading for drawn text: only when the interface language reads right to left and
// the text has at least one letter (a bare time or number keeps its left-to-right order).
#include <string_view>

using IsLetterFunction = bool (*)(char16_t);

bool NeedsRtlReading(bool languageIsRtl, std::u16string_view text, IsLetterFunction isLetter);
