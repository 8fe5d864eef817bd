#pragma once
// One line of texts.log: the window class, a tab, the text, a line feed (UTF-8). Backslash, tab,
// carriage return and line feed inside either field are written as \\, \t, \r and \n so that
// every drawn text stays on one line.
#include <string>
#include <string_view>

std::string FormatTextsLogLine(std::u16string_view windowClass, std::u16string_view text);
