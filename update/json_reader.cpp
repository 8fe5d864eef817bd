#include "update/json_reader.h"

#include <set>

namespace {

// Before each further digit the value may be at most this, so value * 10 + 9 still fits.
constexpr std::int64_t kMaxBeforeDigit = 922337203685477579;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool DecodeEscape(char c, std::string& out) {
    switch (c) {
    case '"':
    case '/':
    case '\\':
        out.push_back(c);
        return true;
    case 'b':
        out.push_back('\b');
        return true;
    case 'f':
        out.push_back('\f');
        return true;
    case 'n':
        out.push_back('\n');
        return true;
    case 'r':
        out.push_back('\r');
        return true;
    case 't':
        out.push_back('\t');
        return true;
    default:
        return false; // \u and everything else
    }
}

} // namespace

void UpdJsonReader::SkipWhitespace() {
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return;
        ++pos_;
    }
}

bool UpdJsonReader::PeekNumberStart() const {
    return pos_ < text_.size() && (text_[pos_] == '-' || IsDigit(text_[pos_]));
}

bool UpdJsonReader::Consume(char c) {
    if (!Peek(c))
        return false;
    ++pos_;
    return true;
}

bool UpdJsonReader::ReadString(std::string& out) {
    out.clear();
    if (!Consume('"'))
        return false;
    while (pos_ < text_.size()) {
        const char c = text_[pos_++];
        if (c == '"')
            return true;
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (pos_ >= text_.size() || !DecodeEscape(text_[pos_++], out))
            return false;
    }
    return false; // unterminated
}

bool UpdJsonReader::ReadInteger(std::int64_t& out) {
    const bool negative = Consume('-');
    if (pos_ >= text_.size() || !IsDigit(text_[pos_]))
        return false;
    std::int64_t value = text_[pos_++] - '0';
    while (pos_ < text_.size() && IsDigit(text_[pos_])) {
        if (value > kMaxBeforeDigit)
            return false;
        value = value * 10 + (text_[pos_++] - '0');
    }
    if (Peek('.') || Peek('e') || Peek('E'))
        return false;
    out = negative ? -value : value;
    return true;
}

bool UpdJsonReader::SkipLiteral(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word)
        return false;
    pos_ += word.size();
    return true;
}

bool UpdJsonReader::SkipValue(int depth) {
    if (depth > kUpdJsonMaxDepth || pos_ >= text_.size())
        return false;
    const char c = text_[pos_];
    if (c == '"') {
        std::string ignored;
        return ReadString(ignored);
    }
    if (PeekNumberStart()) {
        std::int64_t ignored = 0;
        return ReadInteger(ignored);
    }
    if (c == '[' || c == '{') {
        ++pos_;
        return SkipContainer(c == '[' ? ']' : '}', c == '{', depth);
    }
    return SkipLiteral("true") || SkipLiteral("false") || SkipLiteral("null");
}

// After the opening bracket: members or elements at depth + 1 up to close.
bool UpdJsonReader::SkipContainer(char close, bool object, int depth) {
    SkipWhitespace();
    if (Consume(close))
        return true;
    for (;;) {
        SkipWhitespace();
        if (object) {
            std::string name;
            if (!ReadString(name))
                return false;
            SkipWhitespace();
            if (!Consume(':'))
                return false;
            SkipWhitespace();
        }
        if (!SkipValue(depth + 1))
            return false;
        SkipWhitespace();
        if (Consume(close))
            return true;
        if (!Consume(','))
            return false;
    }
}

namespace {

// One member of an entry: strings and integers are kept, anything else is skipped at depth 2.
bool ReadEntryMember(UpdJsonReader& reader, std::set<std::string>& names, UpdJsonEntry& out) {
    std::string name;
    if (!reader.ReadString(name))
        return false;
    // A name may occur only once in an entry, whatever type its values have.
    if (!names.insert(name).second)
        return false;
    reader.SkipWhitespace();
    if (!reader.Consume(':'))
        return false;
    reader.SkipWhitespace();
    if (reader.Peek('"'))
        return reader.ReadString(out.texts[name]);
    if (reader.PeekNumberStart())
        return reader.ReadInteger(out.numbers[name]);
    return reader.SkipValue(2);
}

} // namespace

bool ReadUpdJsonEntry(UpdJsonReader& reader, UpdJsonEntry& out) {
    out = {};
    reader.SkipWhitespace();
    if (!reader.Consume('{'))
        return false;
    reader.SkipWhitespace();
    if (reader.Consume('}'))
        return true;
    std::set<std::string> names;
    for (;;) {
        reader.SkipWhitespace();
        if (!ReadEntryMember(reader, names, out))
            return false;
        reader.SkipWhitespace();
        if (reader.Consume('}'))
            return true;
        if (!reader.Consume(','))
            return false;
    }
}
