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

// A value as a CSV cell shows it: numbers in full, true and false, strings
// as they are, arrays of strings joined with "; ", null empty; arrays and
// objects of other values as JSON.
std::string ToCell(const JsonValue& value);

}  // namespace ostrevin::calc
