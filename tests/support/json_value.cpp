#include "tests/support/json_value.h"

#include <cstdlib>

#include "base/utf.h"

namespace {

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document() {
        JsonValue value;
        if (!Value(value))
            return std::nullopt;
        SkipSpace();
        if (pos_ != text_.size())
            return std::nullopt;
        return value;
    }

  private:
    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' || text_[pos_] == '\r' ||
                                       text_[pos_] == '\t'))
            ++pos_;
    }

    bool Literal(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    bool Value(JsonValue& out) {
        SkipSpace();
        if (pos_ >= text_.size())
            return false;
        const char c = text_[pos_];
        if (c == '{')
            return Object(out);
        if (c == '[')
            return Array(out);
        if (c == '"') {
            out.kind = JsonValue::Kind::String;
            return String(out.text);
        }
        if (Literal("true") || Literal("false")) {
            out.kind = JsonValue::Kind::Bool;
            out.boolean = c == 't';
            return true;
        }
        if (Literal("null"))
            return true;
        return Number(out);
    }

    bool Number(JsonValue& out) {
        const std::string rest(text_.substr(pos_, 64));
        char* end = nullptr;
        out.number = std::strtod(rest.c_str(), &end);
        if (end == rest.c_str())
            return false;
        out.kind = JsonValue::Kind::Number;
        pos_ += static_cast<size_t>(end - rest.c_str());
        return true;
    }

    bool Hex4(unsigned& unit) {
        if (pos_ + 4 > text_.size())
            return false;
        unit = static_cast<unsigned>(std::strtoul(std::string(text_.substr(pos_, 4)).c_str(), nullptr, 16));
        pos_ += 4;
        return true;
    }

    bool String(std::string& out) {
        ++pos_; // opening quote
        std::u16string units;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            if (text_[pos_] != '\\') {
                const size_t start = pos_;
                while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\\')
                    ++pos_;
                units += Utf8ToUtf16(text_.substr(start, pos_ - start));
                continue;
            }
            if (++pos_ >= text_.size())
                return false;
            const char e = text_[pos_++];
            unsigned unit = 0;
            switch (e) {
            case 'n': units += u'\n'; break;
            case 't': units += u'\t'; break;
            case 'r': units += u'\r'; break;
            case 'b': units += u'\b'; break;
            case 'f': units += u'\f'; break;
            case 'u':
                if (!Hex4(unit))
                    return false;
                units += static_cast<char16_t>(unit);
                break;
            default: units += static_cast<char16_t>(e);
            }
        }
        if (pos_ >= text_.size())
            return false;
        ++pos_;
        out = Utf16ToUtf8(units);
        return true;
    }

    bool Array(JsonValue& out) {
        out.kind = JsonValue::Kind::Array;
        ++pos_;
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == ']')
            return ++pos_, true;
        while (true) {
            JsonValue item;
            if (!Value(item))
                return false;
            out.items.push_back(std::move(item));
            SkipSpace();
            if (pos_ < text_.size() && text_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < text_.size() && text_[pos_] == ']')
                return ++pos_, true;
            return false;
        }
    }

    bool Object(JsonValue& out) {
        out.kind = JsonValue::Kind::Object;
        ++pos_;
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == '}')
            return ++pos_, true;
        while (true) {
            SkipSpace();
            std::string key;
            if (pos_ >= text_.size() || text_[pos_] != '"' || !String(key))
                return false;
            SkipSpace();
            if (pos_ >= text_.size() || text_[pos_] != ':')
                return false;
            ++pos_;
            JsonValue member;
            if (!Value(member))
                return false;
            out.members[key] = std::move(member);
            SkipSpace();
            if (pos_ < text_.size() && text_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < text_.size() && text_[pos_] == '}')
                return ++pos_, true;
            return false;
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
};

} // namespace

std::optional<JsonValue> ParseJson(std::string_view text) { return Parser(text).Document(); }

const JsonValue* JsonValue::Find(std::string_view dottedPath) const {
    const JsonValue* node = this;
    while (!dottedPath.empty()) {
        const size_t dot = dottedPath.find('.');
        const std::string key(dottedPath.substr(0, dot));
        const auto it = node->members.find(key);
        if (it == node->members.end())
            return nullptr;
        node = &it->second;
        dottedPath = dot == std::string_view::npos ? std::string_view() : dottedPath.substr(dot + 1);
    }
    return node;
}

std::optional<double> JsonValue::Number(std::string_view dottedPath) const {
    const JsonValue* v = Find(dottedPath);
    return v && v->kind == Kind::Number ? std::optional<double>(v->number) : std::nullopt;
}

std::optional<bool> JsonValue::Bool(std::string_view dottedPath) const {
    const JsonValue* v = Find(dottedPath);
    return v && v->kind == Kind::Bool ? std::optional<bool>(v->boolean) : std::nullopt;
}

std::optional<std::string> JsonValue::String(std::string_view dottedPath) const {
    const JsonValue* v = Find(dottedPath);
    return v && v->kind == Kind::String ? std::optional<std::string>(v->text) : std::nullopt;
}
