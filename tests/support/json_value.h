#pragma once
// A small JSON reader for tests that look at the player's state.json.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text; // UTF-8
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    // Member lookup along a dotted path ("windows.video.width"); null when missing.
    const JsonValue* Find(std::string_view dottedPath) const;
    std::optional<double> Number(std::string_view dottedPath) const;
    std::optional<bool> Bool(std::string_view dottedPath) const;
    std::optional<std::string> String(std::string_view dottedPath) const;
};

// Parses a whole document; nullopt when it is not valid JSON.
std::optional<JsonValue> ParseJson(std::string_view text);
