#pragma once
// The program's own version: what the installer's probe asks for and what updates compare with.

inline constexpr const char16_t* kProgramVersion = u"0.6.8";
