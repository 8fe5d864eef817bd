#include "update/upd_log.h"

std::string FormatUpdLogLine(std::int64_t nowSeconds, std::string_view app, std::string_view word,
                             std::string_view detail) {
    std::string line = std::to_string(nowSeconds);
    line.append("\t").append(app).append("\t").append(word);
    if (!detail.empty())
        line.append("\t").append(detail);
    line.append("\r\n");
    return line;
}
