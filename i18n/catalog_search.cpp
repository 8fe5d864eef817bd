#include "i18n/catalog_search.h"

#include <cstring>

const char* FindTranslation(const LangInfo& row, const std::string& keyUtf8) {
    std::uint32_t lo = 0;
    std::uint32_t hi = row.count;
    while (lo < hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        const int order = std::strcmp(row.entries[mid].key, keyUtf8.c_str());
        if (order == 0)
            return row.entries[mid].text;
        if (order > 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return nullptr;
}
