// The inputs the calculator accepts: the same bounds (both inclusive) in both
// unit systems, for the window's fields and the command line alike.
#pragma once

namespace ostrevin {

struct FieldRange {
  double min, max;
  constexpr bool Contains(double value) const { return value >= min && value <= max; }
};

inline constexpr FieldRange kRhoRange{0.0001, 1000000.0};           // ohm-cm
inline constexpr FieldRange kDiameterRange{0.001, 10.0};            // inches or metres
inline constexpr FieldRange kRodLengthRange{0.1, 10000.0};          // feet or metres
inline constexpr FieldRange kTargetRange{0.000001, 1000000000.0};   // ohms
inline constexpr FieldRange kMeasuredRRange{0.0001, 1000000000.0};  // ohms
inline constexpr FieldRange kSpacingRange{0.001, 1000.0};           // feet or metres

}  // namespace ostrevin
