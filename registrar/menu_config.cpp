#include "registrar/menu_config.h"

#include <vector>

namespace {
constexpr size_t kFieldCount = 7;
} // namespace

std::optional<MenuCfg> ParseMenuCfg(std::u16string_view text) {
    std::vector<std::u16string> fields;
    size_t start = 0;
    while (fields.size() <= kFieldCount) {
        const size_t bar = text.find(u'|', start);
        fields.emplace_back(text.substr(start, bar == std::u16string_view::npos ? bar : bar - start));
        if (bar == std::u16string_view::npos)
            break;
        start = bar + 1;
    }
    if (fields.size() != kFieldCount)
        return std::nullopt;
    MenuCfg cfg{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]};
    if (cfg.name.empty() || cfg.publisher.empty() || cfg.version.empty())
        return std::nullopt;
    return cfg;
}
