// Closed-form resistances of electrodes from the handbooks and standards,
// in uniform soil: beside the electrode solver's answer for a strip and a
// ring, and the answer itself for a plate and a concrete-encased rod, which
// are no thin wires.
//
// Units: rho in ohm-cm (as the rest of the program), lengths in metres,
// ohms. Each formula names its source and validity; nothing when its
// inputs are not positive or its value would not be.
//
// Worked examples (100 ohm-m): a wire 100 m long, 10 mm, 0.5 m deep:
// 2.17 ohms by Dwight; a ring 30 m across of 10 mm wire, 0.5 m deep:
// 3.10 ohms.
#pragma once

#include <optional>

#include "core/result.h"

namespace ostrevin {

// A buried horizontal wire, length `lengthM`, radius `radiusM`, `depthM`
// deep: Dwight's formula as IEEE Std 142-2007 (Table 4-5, "horizontal wire,
// length 2L, depth s/2") gives it, with 2L the whole length and s twice the
// depth:
//   rho/(4 pi L) (ln(4L/a) + ln(4L/s) - 2 + s/2L - s^2/16L^2 + s^4/512L^4).
// Valid for a thin wire (a << s) shallower than it is long (s < 2L).
std::optional<double> DwightStripOhms(double rho, double lengthM, double radiusM, double depthM);

// A ring of wire, diameter `ringM`, wire diameter `wireM`, `depthM` deep:
// IEEE Std 142-2007 Table 4-5 (Dwight), s twice the depth:
//   rho/(2 pi^2 D) (ln(8D/d) + ln(4D/s)).
// Valid for a ring large beside its depth and wire (D >> s, D >> d).
std::optional<double> DwightRingOhms(double rho, double ringM, double wireM, double depthM);

// A flat strip's equivalent round diameter: half its width for a thin strip
// (Sunde, "Earth Conduction Effects in Transmission Systems", 1949; as BS
// 7430 takes it), and with its thickness (w + t)/2, the rule of the same
// perimeter's equivalent radius that reaches w/2 as t -> 0.
double StripEquivalentDiameter(double widthM, double thicknessM);

// A plate of area `areaM2` (one face): BS 7430:2011+A1:2015, R = (rho/8)
// sqrt(pi/A), the plate deep enough that the surface does not matter.
std::optional<double> Bs7430PlateOhms(double rho, double areaM2);

// A plate buried with its centre `centreM` deep, as a round plate of the
// same area (radius a), s twice the centre's depth: IEEE Std 142-2007
// Table 4-5 (Dwight, "Calculation of resistances to ground", AIEE Trans.
// 55, 1936):
//   flat:     rho/(8a) + rho/(4 pi s) (1 - 7a^2/12s^2 + 33a^4/40s^4),
//   upright:  rho/(8a) + rho/(4 pi s) (1 + 7a^2/24s^2 + 99a^4/320s^4);
// rho/(8a) is the plate in the whole of the soil, the rest its image in
// the surface. The series hold for s > a (flat) and for the round plate's
// top below the surface, s > 2a (upright); closer, no answer, with why.
// Example: 1 m x 1 m in 100 ohm-m, flat 0.5 m deep: 29.30 ohms (BS 7430's
// 22.16 leaves out the surface); upright, its top 0.5 m deep: 26.24 ohms.
enum class PlateLying { kFlat, kUpright };
Result<double> DwightPlateOhms(double rho, double areaM2, double centreM, PlateLying lying);

// A rod of diameter d encased in concrete of diameter D and resistivity
// rhoConcrete, `lengthM` long, in soil of rho (Fagan and Lee, "The use of
// concrete-enclosed reinforcing rods as grounding electrodes", IEEE Trans.
// IGA-6, 1970; IEEE Std 80-2013 eq. 57, IEEE Std 142-2007):
//   (rhoConcrete ln(D/d) + rho (ln(8L/D) - 1)) / (2 pi L).
// Valid for a long, slender casing (L >> D > d).
std::optional<double> EncasedRodOhms(double rho, double rhoConcrete, double lengthM,
                                     double rodDiameterM, double concreteDiameterM);

}  // namespace ostrevin
