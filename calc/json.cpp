#include "calc/json.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_set>

#include "calc/text.h"
#include "core/number_text.h"

namespace ostrevin::calc {

JsonValue::JsonValue(const std::vector<std::string>& strings)
    : JsonVariant(JsonArray(strings.begin(), strings.end())) {}

JsonValue::JsonValue(const std::optional<double>& d)
    : JsonVariant(d ? JsonVariant(*d) : JsonVariant(nullptr)) {}

const JsonValue* JsonValue::Find(std::string_view key) const {
  const auto* object = std::get_if<JsonObject>(&variant());
  if (object == nullptr) return nullptr;
  const auto it = std::find_if(object->begin(), object->end(),
                               [&](const JsonMember& member) { return member.first == key; });
  return it == object->end() ? nullptr : &it->second;
}

namespace {

void Write(const JsonValue& value, std::string& out) {
  struct Writer {
    std::string& out;
    void operator()(std::nullptr_t) const { out += "null"; }
    void operator()(bool b) const { out += b ? "true" : "false"; }
    void operator()(double d) const { out += std::isfinite(d) ? FormatNumber(d) : "null"; }
    void operator()(const std::string& s) const { out += JsonString(s); }
    void operator()(const JsonArray& array) const {
      out += '[';
      for (std::size_t i = 0; i < array.size(); ++i) {
        if (i > 0) out += ',';
        Write(array[i], out);
      }
      out += ']';
    }
    void operator()(const JsonObject& object) const {
      out += '{';
      for (std::size_t i = 0; i < object.size(); ++i) {
        if (i > 0) out += ',';
        out += JsonString(object[i].first);
        out += ':';
        Write(object[i].second, out);
      }
      out += '}';
    }
  };
  std::visit(Writer{out}, value.variant());
}

// A recursive-descent reading of RFC 8259's grammar, one byte at a time.
class Parser {
 public:
  Parser(std::string_view text, int depth) : text_(text), depth_(depth) {}

  Result<JsonValue> Document() {
    Result<JsonValue> value = Value(0);
    OSTREVIN_PASS_ON(value);
    Space();
    if (at_ < text_.size()) return Error("the text goes on after the value");
    return value;
  }

 private:
  Why Error(const std::string& what) const {
    long line = 1;
    long column = 1;
    for (std::size_t k = 0; k < at_ && k < text_.size(); ++k) {
      if (text_[k] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    return Refused("at line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what);
  }
  std::string Seen() const {
    if (at_ >= text_.size()) return "the end";
    const char c = text_[at_];
    return static_cast<unsigned char>(c) < 0x20 ? "a control character" : "'" + std::string(1, c) + "'";
  }
  void Space() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  Result<JsonValue> Value(int depth) {
    Space();
    if (at_ >= text_.size()) return Error("a value was expected, not the end");
    const char c = text_[at_];
    if (c == '{' || c == '[') {
      if (depth >= depth_) {
        return Refused("nested deeper than " + std::to_string(depth_) + " levels", {std::string(kJsonTooDeep), {}, {}});
      }
      return c == '{' ? Object(depth + 1) : Array(depth + 1);
    }
    if (c == '"') {
      Result<std::string> text = String();
      OSTREVIN_PASS_ON(text);
      return JsonValue(*std::move(text));
    }
    if (Word("true")) return JsonValue(true);
    if (Word("false")) return JsonValue(false);
    if (Word("null")) return JsonValue(nullptr);
    if (c == '-' || (c >= '0' && c <= '9')) return Number();
    return Error("a value was expected, not " + Seen());
  }

  Result<JsonValue> Object(int depth) {
    ++at_;
    JsonObject object;
    std::unordered_set<std::string> keys;
    Space();
    if (at_ < text_.size() && text_[at_] == '}') {
      ++at_;
      return JsonValue(std::move(object));
    }
    for (;;) {
      Space();
      if (at_ >= text_.size() || text_[at_] != '"') return Error("a key in quotes was expected, not " + Seen());
      const std::size_t keyAt = at_;
      Result<std::string> key = String();
      OSTREVIN_PASS_ON(key);
      // (A set, not a search of the members: an object of a million keys is read in time.)
      if (!keys.insert(*key).second) {
        at_ = keyAt;
        return Error("the key \"" + *key + "\" is given twice");
      }
      Space();
      if (at_ >= text_.size() || text_[at_] != ':') return Error("':' was expected, not " + Seen());
      ++at_;
      Result<JsonValue> value = Value(depth);
      OSTREVIN_PASS_ON(value);
      object.emplace_back(*std::move(key), *std::move(value));
      Space();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == '}') {
        ++at_;
        return JsonValue(std::move(object));
      }
      return Error("',' or '}' was expected, not " + Seen());
    }
  }

  Result<JsonValue> Array(int depth) {
    ++at_;
    JsonArray array;
    Space();
    if (at_ < text_.size() && text_[at_] == ']') {
      ++at_;
      return JsonValue(std::move(array));
    }
    for (;;) {
      Result<JsonValue> value = Value(depth);
      OSTREVIN_PASS_ON(value);
      array.push_back(*std::move(value));
      Space();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == ']') {
        ++at_;
        return JsonValue(std::move(array));
      }
      return Error("',' or ']' was expected, not " + Seen());
    }
  }

  Result<JsonValue> Number() {
    const std::size_t start = at_;
    const auto digits = [&]() {
      const std::size_t from = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      return at_ > from;
    };
    if (text_[at_] == '-') ++at_;
    if (at_ < text_.size() && text_[at_] == '0') {
      ++at_;
    } else if (!digits()) {
      return Error("a digit was expected, not " + Seen());
    }
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (!digits()) return Error("a digit was expected after the point, not " + Seen());
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!digits()) return Error("a digit was expected in the exponent, not " + Seen());
    }
    const std::optional<double> value = ParseNumber(text_.substr(start, at_ - start));
    if (!value || !std::isfinite(*value)) {
      at_ = start;
      return Error("a number too large");
    }
    return JsonValue(*value);
  }

  // Four hexadecimal digits after "\\u".
  std::optional<unsigned> Hex4() {
    if (at_ + 4 > text_.size()) return std::nullopt;
    unsigned value = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text_[at_++];
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) return std::nullopt;
      value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
  }

  static void Utf8(unsigned code, std::string& out) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // The length of the UTF-8 sequence at at_ (well formed, RFC 3629), or 0.
  std::size_t Sequence() const {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text_[at_ + k]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || at_ + length > text_.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
      if ((byte(k) & 0xC0) != 0x80) return 0;
    }
    // No overlong or surrogate forms.
    if (length == 3 && ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F))) return 0;
    if (length == 4 && ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) > 0x8F))) return 0;
    return length;
  }

  Result<std::string> String() {
    ++at_;
    std::string out;
    for (;;) {
      if (at_ >= text_.size()) return Error("the text ends inside a string");
      const char c = text_[at_];
      if (c == '"') {
        ++at_;
        return out;
      }
      if (static_cast<unsigned char>(c) < 0x20) return Error("a control character inside a string");
      if (c != '\\') {
        const std::size_t length = Sequence();
        if (length == 0) return Error("a string that is not UTF-8");
        out.append(text_.substr(at_, length));
        at_ += length;
        continue;
      }
      ++at_;
      if (at_ >= text_.size()) return Error("the text ends inside a string");
      const char escaped = text_[at_++];
      switch (escaped) {
        case '"':
        case '\\':
        case '/':
          out += escaped;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::optional<unsigned> code = Hex4();
          if (!code) return Error("four hexadecimal digits were expected after \\u");
          if (*code >= 0xD800 && *code <= 0xDBFF) {
            // A surrogate pair: the low half must follow.
            if (!Word("\\u")) return Error("half of a surrogate pair");
            const std::optional<unsigned> low = Hex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF) return Error("half of a surrogate pair");
            code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
          } else if (*code >= 0xDC00 && *code <= 0xDFFF) {
            return Error("half of a surrogate pair");
          }
          Utf8(*code, out);
          break;
        }
        default:
          --at_;
          return Error("no escape \\" + std::string(1, escaped));
      }
    }
  }

  std::string_view text_;
  int depth_;
  std::size_t at_ = 0;
};

}  // namespace

Result<JsonValue> ParseJson(std::string_view text, int depth) { return Parser(text, depth).Document(); }

std::string ToJson(const JsonValue& value) {
  std::string out;
  Write(value, out);
  return out;
}

std::string ToCell(const JsonValue& value) {
  const JsonVariant& v = value.variant();
  if (std::holds_alternative<std::nullptr_t>(v)) return {};
  if (const auto* text = std::get_if<std::string>(&v)) return *text;
  if (const auto* array = std::get_if<JsonArray>(&v)) {
    const bool strings = std::all_of(array->begin(), array->end(), [](const JsonValue& item) {
      return std::holds_alternative<std::string>(item.variant());
    });
    if (strings) {
      std::string cell;
      for (const JsonValue& item : *array) {
        cell += (cell.empty() ? "" : "; ") + std::get<std::string>(item.variant());
      }
      return cell;
    }
  }
  return ToJson(value);
}

}  // namespace ostrevin::calc
