#include "diag/json_writer.h"

#include <charconv>
#include <cmath>

#include "base/utf.h"

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasItems_.empty()) {
        if (hasItems_.back())
            out_.push_back(',');
        hasItems_.back() = true;
    }
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    out_.push_back(bracket);
    hasItems_.push_back(false);
}

void JsonWriter::Close(char bracket) {
    if (!hasItems_.empty())
        hasItems_.pop_back();
    out_.push_back(bracket);
}

JsonWriter& JsonWriter::BeginObject() { return Open('{'), *this; }
JsonWriter& JsonWriter::EndObject() { return Close('}'), *this; }
JsonWriter& JsonWriter::BeginArray() { return Open('['), *this; }
JsonWriter& JsonWriter::EndArray() { return Close(']'), *this; }

JsonWriter& JsonWriter::Key(std::string_view name) {
    BeforeValue();
    AppendQuoted(name);
    out_.push_back(':');
    afterKey_ = true;
    return *this;
}

void JsonWriter::AppendQuoted(std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    out_.push_back('"');
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out_.push_back('\\');
            out_.push_back(ch);
        } else if (c == '\n') {
            out_ += "\\n";
        } else if (c == '\r') {
            out_ += "\\r";
        } else if (c == '\t') {
            out_ += "\\t";
        } else if (c < 0x20) {
            out_ += "\\u00";
            out_.push_back(kHex[c >> 4]);
            out_.push_back(kHex[c & 15]);
        } else {
            out_.push_back(ch);
        }
    }
    out_.push_back('"');
}

JsonWriter& JsonWriter::String(std::u16string_view text) { return Utf8String(Utf16ToUtf8(text)); }

JsonWriter& JsonWriter::Utf8String(std::string_view text) {
    BeforeValue();
    AppendQuoted(Utf16ToUtf8(Utf8ToUtf16(text))); // repairs malformed input
    return *this;
}

JsonWriter& JsonWriter::Int(std::int64_t value) {
    BeforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Double(double value) {
    BeforeValue();
    if (!std::isfinite(value)) {
        out_ += "null";
        return *this;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
    return *this;
}
