#include "i18n/rtl_rule.h"

bool NeedsRtlReading(bool languageIsRtl, std::u16string_view text, IsLetterFunction isLetter) {
    if (!languageIsRtl)
        return false;
    for (char16_t c : text) {
        if (isLetter(c))
            return true;
    }
    return false;
}
