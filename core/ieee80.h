// IEEE Std 80-2013, "IEEE Guide for Safety in AC Substation Grounding":
// the resistance of a grid by its closed forms, in uniform soil.
//
// Units: rho in ohm-cm (as the rest of the program; the standard's ohm-m is
// rho / 100), lengths in metres, areas in square metres, ohms.
//
// Worked example (the standard's Annex B, example 1): rho 400 ohm-m, a
// 70 m x 70 m grid of 1540 m of conductor 0.5 m deep: Sverak's equation
// gives 2.78 ohms.
#pragma once

#include <optional>

namespace ostrevin {

// Sverak's equation (clause 14.2, eq. 52), for grids 0.25 to 2.5 m deep:
//   Rg = rho (1/LT + 1/sqrt(20 A) (1 + 1/(1 + h sqrt(20/A)))),
// LT the total length of buried conductor (rods included), A the grid's area.
std::optional<double> SverakOhms(double rho, double totalLengthM, double areaM2, double depthM);

// Schwarz's equations (clause 14.3, eqs. 53 to 56): the grid R1, the rods
// R2 and their mutual Rm combined,
//   Rg = (R1 R2 - Rm^2) / (R1 + R2 - 2 Rm),
//   R1 = rho/(pi Lc) (ln(2 Lc/a') + k1 Lc/sqrt(A) - k2),  a' = sqrt(2 a h),
//   R2 = rho/(2 pi nR Lr) (ln(4 Lr/b) - 1 + 2 k1 Lr/sqrt(A) (sqrt(nR) - 1)^2),
//   Rm = rho/(pi Lc) (ln(2 Lc/Lr) + k1 Lc/sqrt(A) - k2 + 1),
// with k1, k2 from the standard's Figure 25 (straight lines in the grid's
// length-to-width ratio x for h = 0, h = sqrt(A)/10 and h = sqrt(A)/6,
// taken between them in proportion to h); R1 alone without rods.
struct SchwarzGrid {
  double rho = 0;                    // ohm-cm
  double conductorLengthM = 0;       // Lc, the grid's conductors
  double conductorRadiusM = 0;       // a
  double depthM = 0;                 // h
  double areaM2 = 0;                 // A
  double lengthToWidth = 1;          // x, the grid's length over its width (>= 1)
  int rods = 0;                      // nR
  double rodLengthM = 0;             // Lr, each
  double rodRadiusM = 0;             // b
};
std::optional<double> SchwarzOhms(const SchwarzGrid& grid);

// Figure 25's coefficients for a grid h deep, of area A and ratio x.
struct SchwarzCoefficients {
  double k1 = 0, k2 = 0;
};
SchwarzCoefficients SchwarzK(double depthM, double areaM2, double lengthToWidth);

}  // namespace ostrevin
