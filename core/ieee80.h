// IEEE Std 80-2013, "IEEE Guide for Safety in AC Substation Grounding": the
// resistance of a grid by its closed forms, what a body can stand (the
// tolerable touch and step voltages, with a surface layer's derating), the
// fault current into the grid (the decrement factor), the conductor's least
// cross-section, and a grid's mesh and step voltages by the equations of
// clause 16.5. Each equation names its clause and number.
//
// Units: rho in ohm-cm (as the rest of the program; the standard's ohm-m is
// rho / 100), lengths in metres, areas in square metres, ohms, amperes,
// seconds, degrees Celsius, volts.
//
// Worked example (the standard's Annex B, example 1): rho 400 ohm-m, crushed
// rock 2500 ohm-m 0.102 m thick, ts 0.5 s, a 70 m x 70 m grid of 11 x 11
// conductors (1540 m) 0.5 m deep, 10 mm, 1908 A into it: Sverak's equation
// 2.78 ohms, Cs 0.743, the tolerable touch voltage (70 kg) 840 V, the mesh
// voltage 1002 V (the touch voltage exceeded), the step voltage 610 V.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// ---- What a body can stand (clause 8). ----

// The surface layer's derating factor (clause 7.4, eq. 27):
//   Cs = 1 - 0.09 (1 - rho/rhoS) / (2 hS + 0.09),
// rho under the layer, rhoS and hS the layer's. 1 without a layer. The
// equation agrees within 5 % with the analytical one for hS up to 0.3 m
// (beyond that, kFittedLayerM, it is extrapolated).
inline constexpr double kFittedLayerM = 0.3;
double SurfaceDerating(double rho, double surfaceRho, double surfaceThicknessM);

// The tolerable voltages for a body of 50 or 70 kg (clause 8.3, eqs. 29 to 33):
//   Estep = (1000 + 6 Cs rhoS) k / sqrt(ts),  Etouch = (1000 + 1.5 Cs rhoS) k / sqrt(ts),
// k 0.116 (50 kg) or 0.157 (70 kg), rhoS in ohm-m (the soil's own where
// there is no layer, Cs = 1), ts the shock duration in seconds (Dalziel's
// equation holds from 0.03 to 3 s).
struct Tolerable {
  double touch50 = 0, touch70 = 0, step50 = 0, step70 = 0;
};
Tolerable TolerableVoltages(double cs, double surfaceRho, double shockSeconds);

// ---- The fault current (clause 15). ----

// The decrement factor (clause 15.10, eq. 79): Df = sqrt(1 + Ta/tf (1 - e^(-2 tf/Ta))),
// Ta = (X/R) / (2 pi f), tf the fault duration.
double DecrementFactor(double xOverR, double frequencyHz, double faultSeconds);

// ---- The conductor (clause 11.3). ----

// The materials of Table 1: their constants at 20 degrees C.
struct Material {
  const char* name;       // as the command line takes it
  const char* shown;      // as the standard names it
  double alphaR;          // thermal coefficient of resistivity, 1/degree C
  double k0;              // 1/alpha at 0 degrees C, degrees C
  double fusingC;         // fusing temperature, degrees C
  double rhoR;            // resistivity, micro-ohm-cm
  double tcap;            // thermal capacity, J/(cm^3 degree C)
};
const std::vector<Material>& Materials();
const Material* FindMaterial(std::string_view name);

// The least cross-section (mm^2) for `amperes` lasting `seconds` (clause
// 11.3.1, eq. 40), from the ambient to the highest temperature:
//   A = I / sqrt((TCAP 1e-4 / (tc alphaR rhoR)) ln((K0 + Tm) / (K0 + Ta))), I in kA.
// Nothing when the highest temperature is not above the ambient.
std::optional<double> ConductorMm2(const Material& material, double amperes, double seconds,
                                   double ambientC, double maxC);
inline constexpr double kMm2PerKcmil = 0.506707479;

// The smallest common sizes at least `mm2`: in the metric series (IEC
// 60228) and in AWG and kcmil; nothing past the series' largest.
std::optional<double> MetricSizeMm2(double mm2);
std::optional<std::string> AwgSize(double mm2);  // "2/0 AWG", "250 kcmil"

// ---- A grid's mesh and step voltages (clause 16.5). ----

struct GridEquationsInput {
  double rho = 0;            // ohm-cm
  double amperes = 0;        // IG, into the grid
  double lengthX = 0, lengthY = 0;  // the grid's largest extents Lx, Ly (m)
  double areaM2 = 0;         // A
  double perimeterM = 0;     // Lp
  double conductorLengthM = 0;  // LC, the grid's conductors
  double spacingM = 0;       // D, between parallel conductors
  double depthM = 0;         // h
  double diameterM = 0;      // d
  int rods = 0;              // nR
  double rodLengthM = 0;     // Lr, each (LR = nR Lr)
  bool rodsAtEdge = false;   // at the corners or round the perimeter
  double largestDistanceM = 0;  // Dm, between two points of the grid (for an L)
  enum class Shape { kSquare, kRectangle, kLShape } shape = Shape::kSquare;
};
struct GridEquations {
  double n = 0, na = 0, nb = 1, nc = 1, nd = 1;  // eqs. 85 to 89
  double kii = 1, kh = 1, km = 0, ki = 0, ks = 0;  // eqs. 81 to 84, 89, 94
  double lm = 0, ls = 0;     // the effective lengths, eqs. 90, 91, 93
  double meshVolts = 0;      // Em, eq. 80
  double stepVolts = 0;      // Es, eq. 92
  std::vector<std::string> warnings;  // where the equations are used outside their validity
};
// Nothing when an input is not positive.
std::optional<GridEquations> MeshAndStep(const GridEquationsInput& grid);

}  // namespace ostrevin
