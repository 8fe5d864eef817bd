#pragma once
// Standard base64 (RFC 4648 alphabet, "=" padding) with strict decoding: length a multiple of 4,
// padding only in the last group's third and fourth places, nothing outside the alphabet, no
// spaces or line breaks.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

std::optional<std::vector<std::uint8_t>> DecodeStrictBase64(std::string_view text);
std::string EncodeBase64(std::span<const std::uint8_t> bytes);
