// The least cross-section of a protective or earthing conductor by IEC's
// adiabatic rule (IEC 60364-5-54:2011, 543.1.2 and Annex A; the constants
// are IEC 60949's), beside IEEE 80's eq. 40 (ieee80.h): the same physics,
// the heat of the fault held in the conductor, with other constants:
//   S = sqrt(I^2 t) / k  (mm^2, I in A, t in s),
//   k = sqrt(Qc (B + 20) / rho20 x ln(1 + (theta_f - theta_i) / (B + theta_i))),
// Qc the volumetric heat capacity (J/(C mm^3)), B the reciprocal of the
// resistivity's temperature coefficient at 0 C (C), rho20 the resistivity at
// 20 C (ohm mm), theta_i and theta_f the initial and final temperatures (C).
// IEC gives copper, aluminium and steel; clad steels and stainless steel
// have no constants there.
//
// Worked example (BS 7671's Table 54.6, bare conductors from 30 C): copper
// to 200 C has k 159, so 10 kA for 1 s needs 62.9 mm^2.
#pragma once

#include <optional>
#include <string_view>

namespace ostrevin {

struct IecMaterial {
  const char* shown;  // "copper"
  double b;           // C
  double qc;          // J/(C mm^3)
  double rho20;       // ohm mm
};

// IEC 60364-5-54's material for one of IEEE 80's Table 1 (ieee80.h's names):
// the coppers copper, the aluminiums aluminium, plain and zinc-coated steel
// steel; nothing for clad steels and stainless steel.
std::optional<IecMaterial> IecMaterialFor(std::string_view ieeeName);

// k for the material from `initialC` to `finalC`; nothing unless final > initial.
std::optional<double> IecK(const IecMaterial& material, double initialC, double finalC);

// The least cross-section (mm^2) for `amperes` lasting `seconds` at `k`.
double IecMinMm2(double amperes, double seconds, double k);

// IEC 60364-5-54's defaults for a bare conductor in normal conditions
// (Table A.54.6): from 30 C to 200 C.
inline constexpr double kIecInitialC = 30;
inline constexpr double kIecFinalC = 200;

}  // namespace ostrevin
