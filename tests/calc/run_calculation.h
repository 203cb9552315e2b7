// The calculation tests' way into the library: inputs by name, as the
// command line's options or a batch's columns give them, and a calculation
// run on them; its outcome as parsed JSON.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "calc/calculations.h"

namespace ostrevin::calc::test_support {

using Options = std::map<std::string, std::string, std::less<>>;

// The inputs by name; `options` outlives the lookup.
inline InputLookup LookupIn(const Options& options) {
  return [&options](std::string_view key) -> std::optional<std::string_view> {
    const auto it = options.find(key);
    if (it == options.end()) return std::nullopt;
    return it->second;
  };
}

inline Result<Outcome> Solve(std::string_view name, const Options& options,
                             UnitSystem units = UnitSystem::Metric, const WorkBounds& bounds = {}) {
  return Calculate(*FindCalculation(name), LookupIn(options), ReadContext{units}, {}, bounds);
}

inline nlohmann::json Json(const Result<Outcome>& result) {
  EXPECT_TRUE(result) << result.why();
  return result ? nlohmann::json::parse(ToJson(*result)) : nlohmann::json{};
}

}  // namespace ostrevin::calc::test_support
