#pragma once
// The JSON subset of the manifest body: a cursor over the bytes, working in place. Whitespace is
// space, tab, LF and CR; strings decode \" \/ \\ \b \f \n \r \t only (no \u, no raw control bytes;
// bytes from 0x80 pass through); integers are "-"? digits with no fraction or exponent and must fit
// in 64 bits. Values are skipped with a depth limit.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// Values nested deeper than this fail: depth 1 is a top-level member's value, 2 a value inside an
// entry; an empty array or object at depth 4 is still accepted.
inline constexpr int kUpdJsonMaxDepth = 4;

class UpdJsonReader {
  public:
    explicit UpdJsonReader(std::string_view body) : text_(body) {}

    void SkipWhitespace();
    bool AtEnd() const { return pos_ >= text_.size(); }
    std::size_t Position() const { return pos_; }
    // Consumes c (after no whitespace) when it is the next byte.
    bool Consume(char c);
    bool Peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
    // The next byte is "-" or a digit: an integer follows.
    bool PeekNumberStart() const;
    bool ReadString(std::string& out);
    bool ReadInteger(std::int64_t& out);
    // Skips any value at the given depth (see kUpdJsonMaxDepth).
    bool SkipValue(int depth);

  private:
    bool SkipLiteral(std::string_view word);
    bool SkipContainer(char close, bool object, int depth);

    std::string_view text_;
    std::size_t pos_ = 0;
};

// An entry object's members: strings in texts, integers in numbers, other values skipped. A name
// seen twice (in either table) fails.
struct UpdJsonEntry {
    std::map<std::string, std::string> texts;
    std::map<std::string, std::int64_t> numbers;
};

// Reads "{...}" at the reader's position (after whitespace); its members' values are at depth 2.
bool ReadUpdJsonEntry(UpdJsonReader& reader, UpdJsonEntry& out);
