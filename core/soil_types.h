// Typical resistivities of soils by type, for a first estimate where no
// measurement exists: the ranges of IEEE Std 142-2007, 4.1 (its table of
// soil resistivities, after the US Bureau of Standards' Technical Report
// 108), in ohm-cm. The typical value is the range's geometric middle. A
// soil's resistivity varies with its moisture, salts and temperature over
// these ranges and beyond: an estimate is never a measurement.
#pragma once

#include <array>
#include <string_view>

namespace ostrevin {

struct SoilType {
  std::string_view name;
  double minOhmCm;
  double maxOhmCm;
  double typicalOhmCm;
};

inline constexpr std::array<SoilType, 9> kSoilTypes{{
    {"surface soils, loam", 100, 5000, 700},
    {"clay", 200, 10000, 1400},
    {"sand and gravel", 5000, 100000, 22000},
    {"surface limestone", 10000, 1000000, 100000},
    {"shale", 500, 10000, 2200},
    {"sandstone", 2000, 200000, 20000},
    {"slate", 1000, 10000, 3200},
    {"decomposed gneiss", 5000, 50000, 16000},
    {"granite, basalt", 1000000, 1000000, 1000000},
}};

}  // namespace ostrevin
