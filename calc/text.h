// Text helpers of the calculations and the program: trimming, ASCII case,
// quoting input for messages, JSON strings, and the nearest known name for a
// mistyped one.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ostrevin::calc {

// Without the blanks and tabs around it.
std::string_view Trim(std::string_view text);

// ASCII letters lowered; other bytes as they are.
std::string Lower(std::string_view text);

// Text from the input as a message may show it: in double quotes, with
// control characters, C1 controls, the Unicode line and paragraph separators
// and the bidirectional controls escaped (\n, \x1b, \u009b, \u2028, \u202e),
// and bytes that are not UTF-8 as \xNN, so that no input reaches a terminal
// as a command or turns a line around.
std::string Quoted(std::string_view text);

// A JSON string literal: quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view text);

// The candidate a mistyped `text` most likely meant: one within two edits
// (one for names of up to four letters), or the only one it begins.
std::optional<std::string_view> Nearest(std::string_view text,
                                        std::span<const std::string_view> candidates);

}  // namespace ostrevin::calc
