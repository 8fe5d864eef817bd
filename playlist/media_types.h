#pragma once
// The file types the player takes without further question, and which of them are audio.
#include <array>
#include <string_view>

inline constexpr std::array<std::u16string_view, 23> kMediaExtensions = {
    u".mp4", u".m4v", u".mkv", u".avi", u".mov", u".wmv",  u".webm", u".ts",  u".mpg", u".mpeg", u".flv", u".3gp",
    u".m2ts", u".mts", u".ogv", u".mp3", u".m4a", u".aac", u".flac", u".wav", u".wma", u".ogg",  u".opus"};

// The last eight: an item of one of these types is audio, every other item video.
inline constexpr std::array<std::u16string_view, 8> kAudioExtensions = {
    u".mp3", u".m4a", u".aac", u".flac", u".wav", u".wma", u".ogg", u".opus"};

bool HasMediaExtension(std::u16string_view path);
bool IsAudioItem(std::u16string_view path);
