#pragma once
// A small streaming JSON writer for the diagnostics state file (UTF-8 output).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
  public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::u16string_view text);
    JsonWriter& Utf8String(std::string_view text);
    JsonWriter& Int(std::int64_t value);
    JsonWriter& Double(double value); // non-finite values are written as null
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    const std::string& Text() const { return out_; }

  private:
    void BeforeValue();
    void Open(char bracket);
    void Close(char bracket);
    void AppendQuoted(std::string_view utf8);

    std::string out_;
    std::vector<bool> hasItems_;
    bool afterKey_ = false;
};
