#include "core/en50522.h"

#include <array>
#include <cctype>
#include <cmath>
#include <limits>

#include "core/numerics.h"

namespace ostrevin {

namespace {

// EN 50522:2022 Annex B, the calculated values of U_Tp (Figure 4's curve).
constexpr std::array kTable{
    PermissibleTouchRow{0.05, 716}, PermissibleTouchRow{0.1, 654}, PermissibleTouchRow{0.2, 537},
    PermissibleTouchRow{0.5, 220},  PermissibleTouchRow{1, 117},   PermissibleTouchRow{2, 96},
    PermissibleTouchRow{5, 86},     PermissibleTouchRow{10, 85},
};

// IEC 60479-1:2005 Table 1, hand to hand, large contact areas, dry, 50 %.
struct ImpedanceRow {
  double volts, ohms;
};
constexpr std::array kImpedance{
    ImpedanceRow{25, 3250}, ImpedanceRow{50, 2500},  ImpedanceRow{75, 2000},  ImpedanceRow{100, 1725},
    ImpedanceRow{125, 1550}, ImpedanceRow{150, 1400}, ImpedanceRow{175, 1325}, ImpedanceRow{200, 1275},
    ImpedanceRow{225, 1225}, ImpedanceRow{400, 950},  ImpedanceRow{500, 850},  ImpedanceRow{700, 775},
    ImpedanceRow{1000, 775},
};

// Annex B's current paths: heart current factor, body factor, weight.
struct CurrentPath {
  double hf, bf, weight;
};
constexpr std::array kPaths{
    CurrentPath{1.0, 0.75, 1},  // left hand to feet
    CurrentPath{1.0, 0.5, 1},   // both hands to feet
    CurrentPath{0.8, 0.75, 1},  // right hand to feet
    CurrentPath{0.4, 1.0, 0.7}, // hand to hand
};

// The touch voltage U = k Z_T(U) of one path, k = I_B / HF x BF: U - k Z_T(U)
// rises with U (the impedance falls), so bisection finds the one root to a
// millivolt between 0 and k times the largest impedance; NaN should the
// bracket not narrow (it always does: 200 halvings of at most 33 kV).
double PathVolts(double k) {
  const double hi = k * kImpedance.front().ohms;
  const Result<Bisection> found = Bisect(
      [k](double u) -> Result<bool> { return u - k * BodyImpedanceOhms(u) < 0; }, 0, hi, 1e-3);
  if (!found || !found->narrowed) return std::numeric_limits<double>::quiet_NaN();
  return (found->lo + found->hi) / 2;
}

}  // namespace

std::span<const PermissibleTouchRow> PermissibleTouchTable() { return kTable; }

std::optional<double> PermissibleTouchVolts(double faultSeconds) {
  if (!(faultSeconds >= kEn50522ShortestS && faultSeconds <= kEn50522LongestS)) return std::nullopt;
  for (std::size_t i = 0; i + 1 < kTable.size(); ++i) {
    const PermissibleTouchRow& a = kTable[i];
    const PermissibleTouchRow& b = kTable[i + 1];
    if (faultSeconds > b.seconds) continue;
    const double f = std::log(faultSeconds / a.seconds) / std::log(b.seconds / a.seconds);
    return a.volts * std::pow(b.volts / a.volts, f);
  }
  return kTable.back().volts;
}

double BodyImpedanceOhms(double touchVolts) {
  if (touchVolts <= kImpedance.front().volts) return kImpedance.front().ohms;
  for (std::size_t i = 0; i + 1 < kImpedance.size(); ++i) {
    const ImpedanceRow& a = kImpedance[i];
    const ImpedanceRow& b = kImpedance[i + 1];
    if (touchVolts > b.volts) continue;
    return a.ohms + (touchVolts - a.volts) / (b.volts - a.volts) * (b.ohms - a.ohms);
  }
  return kImpedance.back().ohms;
}

double AnnexTouchVolts(double bodyAmps) {
  double sum = 0;
  for (const CurrentPath& path : kPaths) sum += path.weight * PathVolts(bodyAmps / path.hf * path.bf);
  return sum / static_cast<double>(kPaths.size());
}

std::optional<double> BodyCurrentAmps(double faultSeconds) {
  const std::optional<double> utp = PermissibleTouchVolts(faultSeconds);
  if (!utp) return std::nullopt;
  // AnnexTouchVolts rises with the current: 1 mA to 10 A holds every row.
  const Result<Bisection> found = Bisect(
      [&](double amps) -> Result<bool> {
        const double volts = AnnexTouchVolts(amps);
        if (!std::isfinite(volts)) return NoAnswer("the annex's computation did not converge");
        return volts < *utp;
      },
      0.001, 10, 1e-9, Halving::kGeometric);
  if (!found || !found->narrowed) return std::nullopt;
  return std::sqrt(found->lo * found->hi);
}

std::optional<double> ProspectiveTouchVolts(double faultSeconds, double additionalOhms) {
  const std::optional<double> utp = PermissibleTouchVolts(faultSeconds);
  const std::optional<double> amps = BodyCurrentAmps(faultSeconds);
  if (!utp || !amps) return std::nullopt;
  return *utp + additionalOhms * *amps;
}

double FeetOhms(double rhoOhmM, double cs) { return 1.5 * cs * rhoOhmM; }

std::string_view BranchName(En50522Branch branch) {
  switch (branch) {
    case En50522Branch::kGlobalEarthing:
      return "global-earthing";
    case En50522Branch::kTwiceUtp:
      return "2utp";
    case En50522Branch::kMeasures:
      return "4utp-measures";
    case En50522Branch::kTouchVoltages:
      return "touch-voltages";
  }
  return "touch-voltages";
}

std::string_view BranchText(En50522Branch branch) {
  switch (branch) {
    case En50522Branch::kGlobalEarthing:
      return "part of a global earthing system";
    case En50522Branch::kTwiceUtp:
      return "the earth potential rise within 2 U_Tp";
    case En50522Branch::kMeasures:
      return "the earth potential rise within 4 U_Tp with Annex E's measures";
    case En50522Branch::kTouchVoltages:
      return "the touch voltages against U_vTp";
  }
  return "";
}

En50522Branch DecidingBranch(const En50522Situation& s) {
  if (s.globalEarthing) return En50522Branch::kGlobalEarthing;
  if (s.riseVolts <= 2 * s.utpVolts) return En50522Branch::kTwiceUtp;
  if (s.measures && s.riseVolts <= 4 * s.utpVolts) return En50522Branch::kMeasures;
  return En50522Branch::kTouchVoltages;
}

bool IsMeasureCode(std::string_view code) {
  const auto digits = [](std::string_view part) {
    if (part.empty() || part.size() > 2) return false;
    for (const char c : part) {
      if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
    }
    return part.front() != '0';
  };
  if (code.size() < 2 || (code.front() != 'M' && code.front() != 'm')) return false;
  code.remove_prefix(1);
  const std::size_t dot = code.find('.');
  if (dot == std::string_view::npos) return digits(code);
  return digits(code.substr(0, dot)) && digits(code.substr(dot + 1));
}

}  // namespace ostrevin
