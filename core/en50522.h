// EN 50522:2022, "Earthing of power installations exceeding 1 kV a.c.":
// what a touch voltage may reach by the European standard (with IEC
// 61936-1), and its assessment of an earthing system.
//
// The permissible touch voltage U_Tp against the fault's duration t_F (the
// standard's Figure 4 and Annex B's table of calculated values, 0.05 s to
// 10 s) is the normative answer; between the table's rows it is taken
// log-log. Annex B computes it from IEC 60479-1:2005 (its Table 1: the body
// impedance hand to hand, large contact areas, dry, 50 % of the population;
// its Figure 20, curve c2: the body current a 5 % chance of ventricular
// fibrillation allows) over four current paths, each U = I_B / HF x BF x
// Z_T(U), solved by iteration since the impedance falls with the voltage:
//   left hand to feet      HF 1.0  BF 0.75  weight 1
//   both hands to feet     HF 1.0  BF 0.5   weight 1
//   right hand to feet     HF 0.8  BF 0.75  weight 1
//   hand to hand           HF 0.4  BF 1.0   weight 0.7
// U_Tp being the four weighted values' mean. AnnexTouchVolts is that
// computation; the tests check it against the table.
//
// EN 50522 sets no permissible step voltage.
//
// Units: seconds, volts, amperes, ohms; resistivities in ohm-m.
//
// Worked example: a fault cleared in 0.5 s allows U_Tp 220 V (the table's
// row); curve c2's 200 mA at 0.5 s gives the same by the annex.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace ostrevin {

inline constexpr double kEn50522ShortestS = 0.05;
inline constexpr double kEn50522LongestS = 10;
inline constexpr double kEn50522Hz = 50;  // the frequency it is written for

struct PermissibleTouchRow {
  double seconds = 0;  // t_F
  double volts = 0;    // U_Tp
};
// Annex B's table: 0.05 s 716 V to 10 s 85 V.
std::span<const PermissibleTouchRow> PermissibleTouchTable();

// U_Tp for a fault of `faultSeconds`: nothing outside 0.05 to 10 s.
std::optional<double> PermissibleTouchVolts(double faultSeconds);

// IEC 60479-1:2005 Table 1: the body's impedance hand to hand at a touch
// voltage, 50 % of the population (3,250 ohms at 25 V to 775 ohms at 700 V
// and above), straight between its rows; 25 V's below 25 V.
double BodyImpedanceOhms(double touchVolts);

// Annex B's computation of U_Tp from the body current curve c2 allows for
// the fault's duration (amperes; the reference path, left hand to feet);
// NaN should a path's bisection not converge.
double AnnexTouchVolts(double bodyAmps);

// The body current behind U_Tp: the one whose annex computation gives the
// table's U_Tp at `faultSeconds` (nothing outside 0.05 to 10 s).
std::optional<double> BodyCurrentAmps(double faultSeconds);

// The prospective permissible touch voltage with resistances in series with
// the body (Annex B): U_vTp = U_Tp + R_a I_B, R_a = R_a1 (footwear) + R_a2
// (the ground under the feet). U_vTp is U_Tp when R_a is 0.
std::optional<double> ProspectiveTouchVolts(double faultSeconds, double additionalOhms);

// R_a2, the two feet standing on ground of `rhoOhmM` (Annex B: 1.5 ohm-m^-1
// x rho_s), a surface layer's derated by its Cs (IEEE Std 80-2013 eq. 27,
// as a thin layer carries less than its own resistivity).
double FeetOhms(double rhoOhmM, double cs);

// The assessment of clause 5.4.2 (the design flow chart of its Figure 5),
// in its order; the first branch that holds decides.
enum class En50522Branch {
  kGlobalEarthing,  // part of a global earthing system: fulfilled
  kTwiceUtp,        // U_E <= 2 U_Tp: fulfilled
  kMeasures,        // U_E <= 4 U_Tp with the recognised measures of Annex E: fulfilled
  kTouchVoltages,   // else the touch voltages against U_vTp decide
};
std::string_view BranchName(En50522Branch branch);  // "global-earthing", "2utp", ...
std::string_view BranchText(En50522Branch branch);  // words for a line of text

struct En50522Situation {
  double riseVolts = 0;      // U_E
  double utpVolts = 0;       // U_Tp
  bool globalEarthing = false;
  bool measures = false;     // Annex E's measures stated as in place
};
En50522Branch DecidingBranch(const En50522Situation& situation);

// Annex E names its recognised measures M and a number, with a further
// ".N" (M1.2): whether `code` has that form (which measures the case asks
// for, by Table E.1, is read from the standard by the user).
bool IsMeasureCode(std::string_view code);

}  // namespace ostrevin
