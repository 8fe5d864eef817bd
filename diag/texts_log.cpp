#include "diag/texts_log.h"

#include "base/utf.h"

namespace {

void AppendEscaped(std::string& out, std::u16string_view field) {
    for (char ch : Utf16ToUtf8(field)) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out.push_back(ch);
        }
    }
}

} // namespace

std::string FormatTextsLogLine(std::u16string_view windowClass, std::u16string_view text) {
    std::string line;
    AppendEscaped(line, windowClass);
    line.push_back('\t');
    AppendEscaped(line, text);
    line.push_back('\n');
    return line;
}
