#include "calc/text.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace ostrevin::calc {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// The length of the UTF-8 sequence starting text[i] and its code point, or a
// length of 0 when the bytes there are not one (a stray continuation byte, an
// overlong form, a surrogate, a sequence cut short or past U+10FFFF).
std::pair<std::size_t, unsigned> Utf8At(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  unsigned min = 0;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2, min = 0x80;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3, min = 0x800;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4, min = 0x10000;
  } else {
    return {0, 0};
  }
  if (i + length > text.size()) return {0, 0};
  unsigned code = lead & (0x7fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xc0) != 0x80) return {0, 0};
    code = (code << 6) | (byte(i + k) & 0x3f);
  }
  if (code < min || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return {0, 0};
  return {length, code};
}

// Code points a terminal or a text view obeys rather than shows: C1
// controls, the line and paragraph separators, and the bidirectional marks,
// embeddings, overrides and isolates.
bool Obeyed(unsigned code) {
  return (code >= 0x80 && code <= 0x9f) || code == 0x061c || code == 0x200e || code == 0x200f ||
         (code >= 0x2028 && code <= 0x202e) || (code >= 0x2066 && code <= 0x2069);
}

void AppendHex(std::string& out, unsigned value, int digits) {
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xf];
}

// Edits from a to b: a letter inserted, dropped or changed, or two
// neighbours swapped ("grdi" is one edit from "grid"), each counting one
// (the optimal string alignment distance).
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lower;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7f) {
      if (c == '"' || c == '\\') out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c == '\n' || c == '\t' || c == '\r') {
      out += c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\r";
      ++i;
    } else if (const auto [length, code] =
                   c < 0x80 ? std::pair<std::size_t, unsigned>{0, 0} : Utf8At(text, i);
               length == 0) {
      out += "\\x";
      AppendHex(out, c, 2);
      ++i;
    } else {
      if (Obeyed(code)) {
        out += "\\u";
        AppendHex(out, code, 4);
      } else {
        out += text.substr(i, length);
      }
      i += length;
    }
  }
  return out + "\"";
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          AppendHex(out, static_cast<unsigned char>(c), 2);
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::optional<std::string_view> Nearest(std::string_view text,
                                        std::span<const std::string_view> candidates) {
  if (text.empty()) return std::nullopt;
  std::optional<std::string_view> best;
  std::size_t bestDistance = 0;
  std::optional<std::string_view> extended;
  int extensions = 0;
  for (const std::string_view candidate : candidates) {
    const std::size_t distance = EditDistance(Lower(text), candidate);
    if (!best || distance < bestDistance) best = candidate, bestDistance = distance;
    if (candidate.starts_with(Lower(text))) extended = candidate, ++extensions;
  }
  const std::size_t allowed = text.size() <= 4 ? 1 : 2;
  if (best && bestDistance <= allowed) return best;
  if (extensions == 1) return extended;
  return std::nullopt;
}

}  // namespace ostrevin::calc
