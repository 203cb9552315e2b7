#include "core/adiabatic.h"

#include <cmath>
#include <string_view>

namespace ostrevin {

std::optional<IecMaterial> IecMaterialFor(std::string_view name) {
  // IEC 60364-5-54:2011, Table A.54.1 (from IEC 60949).
  static constexpr IecMaterial kCopper{"copper", 234.5, 3.45e-3, 17.241e-6};
  static constexpr IecMaterial kAluminium{"aluminium", 228, 2.5e-3, 28.264e-6};
  static constexpr IecMaterial kSteel{"steel", 202, 3.8e-3, 138e-6};
  if (name.starts_with("copper-clad") || name.ends_with("clad-steel") || name.starts_with("stainless")) {
    return std::nullopt;
  }
  if (name.starts_with("copper")) return kCopper;
  if (name.starts_with("aluminium")) return kAluminium;
  if (name == "steel-1020" || name == "zinc-coated-steel") return kSteel;
  return std::nullopt;
}

std::optional<double> IecK(const IecMaterial& m, double initialC, double finalC) {
  if (!(finalC > initialC)) return std::nullopt;
  return std::sqrt(m.qc * (m.b + 20) / m.rho20 * std::log1p((finalC - initialC) / (m.b + initialC)));
}

double IecMinMm2(double amperes, double seconds, double k) {
  return std::sqrt(amperes * amperes * seconds) / k;
}

}  // namespace ostrevin
