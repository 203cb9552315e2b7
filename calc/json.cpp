#include "calc/json.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

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
