// JSON values as the calculations give them: one model for every answer the
// command line prints with --json and every answer the page receives, written
// out in one place (ToJson), so that no JSON is put together by hand.
//
// A value is null, true or false, a number, a string, an array or an object
// (members in the order they were added). A number that is not finite is
// written null.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/result.h"

namespace ostrevin::calc {

struct JsonValue;
using JsonArray = std::vector<JsonValue>;
using JsonMember = std::pair<std::string, JsonValue>;
using JsonObject = std::vector<JsonMember>;

using JsonVariant =
    std::variant<std::nullptr_t, bool, double, std::string, JsonArray, JsonObject>;

struct JsonValue : JsonVariant {
  JsonValue() : JsonVariant(nullptr) {}
  JsonValue(std::nullptr_t) : JsonVariant(nullptr) {}               // NOLINT: a value
  JsonValue(bool b) : JsonVariant(b) {}                             // NOLINT
  JsonValue(double d) : JsonVariant(d) {}                           // NOLINT
  JsonValue(int i) : JsonVariant(static_cast<double>(i)) {}         // NOLINT
  JsonValue(std::string s) : JsonVariant(std::move(s)) {}           // NOLINT
  JsonValue(std::string_view s) : JsonVariant(std::string(s)) {}    // NOLINT
  JsonValue(const char* s) : JsonVariant(std::string(s)) {}         // NOLINT
  JsonValue(JsonArray a) : JsonVariant(std::move(a)) {}             // NOLINT
  JsonValue(JsonObject o) : JsonVariant(std::move(o)) {}            // NOLINT
  JsonValue(const std::vector<std::string>& strings);               // NOLINT: an array
  JsonValue(const std::optional<double>& d);                        // NOLINT: null for none

  const JsonVariant& variant() const { return *this; }
  // The member of an object, or nothing (no object, or no such member).
  const JsonValue* Find(std::string_view key) const;
};

// The value as JSON text on one line.
std::string ToJson(const JsonValue& value);

// JSON text (RFC 8259) read: its value, or why not, with where ("at line 3,
// column 5: a value was expected, not 'x'"). Nested at most `depth` deep;
// a key given twice in an object, text that is not UTF-8 and anything after
// the value are refused; numbers are doubles.
// Example: ParseJson(R"({"a": [1, "b"]})", 16) holds {"a": [1, "b"]}.
// Nested too deep is refused with the code kJsonTooDeep and no place.
inline constexpr std::string_view kJsonTooDeep = "json-too-deep";
Result<JsonValue> ParseJson(std::string_view text, int depth);

// A value as a CSV cell shows it: numbers in full, true and false, strings
// as they are, arrays of strings joined with "; ", null empty; arrays and
// objects of other values as JSON.
std::string ToCell(const JsonValue& value);

}  // namespace ostrevin::calc
