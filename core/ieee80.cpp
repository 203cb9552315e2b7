#include "core/ieee80.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/number_text.h"
#include "core/numerics.h"

namespace ostrevin {

namespace {


std::optional<double> Positive(double ohms) {
  if (!(ohms > 0) || !std::isfinite(ohms)) return std::nullopt;
  return ohms;
}

}  // namespace

std::optional<double> SverakOhms(double rho, double totalLengthM, double areaM2, double depthM) {
  if (!(rho > 0 && totalLengthM > 0 && areaM2 > 0 && depthM >= 0)) return std::nullopt;
  const double ohmM = rho / 100;
  return Positive(ohmM * (1 / totalLengthM +
                          1 / std::sqrt(20 * areaM2) *
                              (1 + 1 / (1 + depthM * std::sqrt(20 / areaM2)))));
}

SchwarzCoefficients SchwarzK(double depthM, double areaM2, double lengthToWidth) {
  const double x = lengthToWidth;
  // Figure 25: curves A (h = 0), B (h = sqrt(A)/10) and C (h = sqrt(A)/6).
  const SchwarzCoefficients a{-0.04 * x + 1.41, 0.15 * x + 5.50};
  const SchwarzCoefficients b{-0.05 * x + 1.20, 0.10 * x + 4.68};
  const SchwarzCoefficients c{-0.05 * x + 1.13, -0.05 * x + 4.40};
  const double depth = depthM / std::sqrt(areaM2);
  const auto between = [](const SchwarzCoefficients& p, const SchwarzCoefficients& q, double t) {
    return SchwarzCoefficients{p.k1 + (q.k1 - p.k1) * t, p.k2 + (q.k2 - p.k2) * t};
  };
  if (depth <= 0.1) return between(a, b, std::max(depth, 0.0) / 0.1);
  return between(b, c, std::min((depth - 0.1) / (1.0 / 6 - 0.1), 1.0));
}

std::optional<double> SchwarzOhms(const SchwarzGrid& grid) {
  if (!(grid.rho > 0 && grid.conductorLengthM > 0 && grid.conductorRadiusM > 0 &&
        grid.depthM > 0 && grid.areaM2 > 0)) {
    return std::nullopt;
  }
  const double rho = grid.rho / 100;
  const double lc = grid.conductorLengthM;
  const double root = std::sqrt(grid.areaM2);
  const auto [k1, k2] = SchwarzK(grid.depthM, grid.areaM2, std::max(grid.lengthToWidth, 1.0));
  const double aPrime = std::sqrt(2 * grid.conductorRadiusM * grid.depthM);
  const double r1 = rho / (kPi * lc) * (std::log(2 * lc / aPrime) + k1 * lc / root - k2);
  if (grid.rods <= 0) return Positive(r1);
  if (!(grid.rodLengthM > 0 && grid.rodRadiusM > 0)) return std::nullopt;
  const double n = grid.rods;
  const double lr = grid.rodLengthM;
  const double r2 = rho / (2 * kPi * n * lr) *
                    (std::log(4 * lr / grid.rodRadiusM) - 1 +
                     2 * k1 * lr / root * (std::sqrt(n) - 1) * (std::sqrt(n) - 1));
  const double rm = rho / (kPi * lc) * (std::log(2 * lc / lr) + k1 * lc / root - k2 + 1);
  return Positive((r1 * r2 - rm * rm) / (r1 + r2 - 2 * rm));
}

double SurfaceDerating(double rho, double surfaceRho, double surfaceThicknessM) {
  if (!(surfaceRho > 0) || !(surfaceThicknessM > 0)) return 1;
  return 1 - 0.09 * (1 - rho / surfaceRho) / (2 * surfaceThicknessM + 0.09);
}

Tolerable TolerableVoltages(double cs, double surfaceRho, double shockSeconds) {
  const double rhoS = surfaceRho / 100;
  const double root = std::sqrt(shockSeconds);
  const double step = 1000 + 6 * cs * rhoS;
  const double touch = 1000 + 1.5 * cs * rhoS;
  return {touch * 0.116 / root, touch * 0.157 / root, step * 0.116 / root, step * 0.157 / root};
}

double DecrementFactor(double xOverR, double frequencyHz, double faultSeconds) {
  if (!(xOverR > 0)) return 1;
  const double ta = xOverR / (2 * kPi * frequencyHz);
  return std::sqrt(1 + ta / faultSeconds * (1 - std::exp(-2 * faultSeconds / ta)));
}

const std::vector<Material>& Materials() {
  // IEEE Std 80-2013, Table 1.
  static const std::vector<Material> materials{
      {"copper-annealed", "copper, annealed soft-drawn", 0.00393, 234, 1083, 1.72, 3.42},
      {"copper-hard-drawn", "copper, commercial hard-drawn", 0.00381, 242, 1084, 1.78, 3.42},
      {"copper-clad-steel-40", "copper-clad steel wire (40 %)", 0.00378, 245, 1084, 4.40, 3.85},
      {"copper-clad-steel-30", "copper-clad steel wire (30 %)", 0.00378, 245, 1084, 5.86, 3.85},
      {"copper-clad-steel-rod", "copper-clad steel rod (20 %)", 0.00378, 245, 1084, 8.62, 3.85},
      {"aluminium", "aluminium, EC grade", 0.00403, 228, 657, 2.86, 2.56},
      {"aluminium-5005", "aluminium 5005 alloy", 0.00353, 263, 652, 3.22, 2.60},
      {"aluminium-6201", "aluminium 6201 alloy", 0.00347, 268, 654, 3.28, 2.60},
      {"aluminium-clad-steel", "aluminium-clad steel wire", 0.00360, 258, 657, 8.48, 3.58},
      {"steel-1020", "steel 1020", 0.00160, 605, 1510, 15.90, 3.28},
      {"stainless-clad-steel", "stainless-clad steel rod", 0.00160, 605, 1400, 17.50, 4.44},
      {"zinc-coated-steel", "zinc-coated steel rod", 0.00320, 293, 419, 20.10, 3.93},
      {"stainless-304", "stainless steel 304", 0.00130, 749, 1400, 72.00, 4.03},
  };
  return materials;
}

const Material* FindMaterial(std::string_view name) {
  for (const Material& material : Materials()) {
    if (name == material.name) return &material;
  }
  return nullptr;
}

std::optional<double> ConductorMm2(const Material& m, double amperes, double seconds,
                                   double ambientC, double maxC) {
  if (!(maxC > ambientC) || !(amperes > 0) || !(seconds > 0)) return std::nullopt;
  const double kiloamperes = amperes / 1000;
  const double capacity = m.tcap * 1e-4 / (seconds * m.alphaR * m.rhoR) *
                          std::log((m.k0 + maxC) / (m.k0 + ambientC));
  return Positive(kiloamperes / std::sqrt(capacity));
}

std::optional<double> MetricSizeMm2(double mm2) {
  static constexpr double kSizes[] = {1.5, 2.5, 4,   6,   10,  16,  25,  35,  50,  70,
                                      95,  120, 150, 185, 240, 300, 400, 500, 630, 800, 1000};
  for (const double size : kSizes) {
    if (size >= mm2) return size;
  }
  return std::nullopt;
}

std::optional<std::string> AwgSize(double mm2) {
  struct Size {
    const char* name;
    double kcmil;
  };
  static constexpr Size kSizes[] = {
      {"14 AWG", 4.107},    {"12 AWG", 6.530},    {"10 AWG", 10.38},    {"8 AWG", 16.51},
      {"6 AWG", 26.24},     {"4 AWG", 41.74},     {"2 AWG", 66.36},     {"1 AWG", 83.69},
      {"1/0 AWG", 105.6},   {"2/0 AWG", 133.1},   {"3/0 AWG", 167.8},   {"4/0 AWG", 211.6},
      {"250 kcmil", 250},   {"300 kcmil", 300},   {"350 kcmil", 350},   {"400 kcmil", 400},
      {"500 kcmil", 500},   {"600 kcmil", 600},   {"750 kcmil", 750},   {"1000 kcmil", 1000}};
  for (const Size& size : kSizes) {
    if (size.kcmil * kMm2PerKcmil >= mm2) return std::string(size.name);
  }
  return std::nullopt;
}

std::optional<GridEquations> MeshAndStep(const GridEquationsInput& g) {
  if (!(g.rho > 0 && g.amperes > 0 && g.areaM2 > 0 && g.perimeterM > 0 &&
        g.conductorLengthM > 0 && g.spacingM > 0 && g.depthM > 0 && g.diameterM > 0)) {
    return std::nullopt;
  }
  GridEquations e;
  const double rho = g.rho / 100;
  const double h = g.depthM;
  const double d = g.diameterM;
  const double D = g.spacingM;
  // The geometry factor n (eqs. 85 to 89): na for every shape, nb for all
  // but a square, nc for an L (and any shape not a rectangle), nd for an L.
  e.na = 2 * g.conductorLengthM / g.perimeterM;
  if (g.shape != GridEquationsInput::Shape::kSquare) {
    e.nb = std::sqrt(g.perimeterM / (4 * std::sqrt(g.areaM2)));
  }
  if (g.shape == GridEquationsInput::Shape::kLShape) {
    const double box = g.lengthX * g.lengthY;
    e.nc = std::pow(box / g.areaM2, 0.7 * g.areaM2 / box);
    e.nd = g.largestDistanceM / std::sqrt(g.lengthX * g.lengthX + g.lengthY * g.lengthY);
  }
  e.n = e.na * e.nb * e.nc * e.nd;
  // Km (eqs. 81 to 84): Kii 1 with rods at the edge, else 1/(2n)^(2/n); Kh sqrt(1 + h/h0).
  e.kii = g.rods > 0 && g.rodsAtEdge ? 1 : 1 / std::pow(2 * e.n, 2 / e.n);
  e.kh = std::sqrt(1 + h / 1.0);
  e.km = 1 / (2 * kPi) *
         (std::log(D * D / (16 * h * d) + (D + 2 * h) * (D + 2 * h) / (8 * D * d) - h / (4 * d)) +
          e.kii / e.kh * std::log(8 / (kPi * (2 * e.n - 1))));
  e.ki = 0.644 + 0.148 * e.n;  // eq. 89 (the irregularity factor)
  // The effective buried lengths (eqs. 90, 91, 93).
  const double lr = g.rods * g.rodLengthM;
  e.lm = g.rods > 0 && g.rodsAtEdge
             ? g.conductorLengthM +
                   (1.55 + 1.22 * g.rodLengthM / std::sqrt(g.lengthX * g.lengthX + g.lengthY * g.lengthY)) * lr
             : g.conductorLengthM + lr;
  e.ls = 0.75 * g.conductorLengthM + 0.85 * lr;
  e.meshVolts = rho * e.km * e.ki * g.amperes / e.lm;  // eq. 80
  // Ks (eq. 94), for 0.25 m < h < 2.5 m.
  e.ks = 1 / kPi * (1 / (2 * h) + 1 / (D + h) + 1 / D * (1 - std::pow(0.5, e.n - 2)));
  e.stepVolts = rho * e.ks * e.ki * g.amperes / e.ls;  // eq. 92
  // The limits the equations were derived for (clause 16.5.1).
  if (e.n > 25) e.warnings.push_back("more than 25 parallel conductors (n " + FormatDouble("%.1f", e.n) + ")");
  if (h < 0.25 || h > 2.5) e.warnings.emplace_back("a depth outside 0.25 to 2.5 m");
  if (d >= 0.25 * h) e.warnings.emplace_back("a conductor's diameter of a quarter of its depth or more");
  if (D <= 2.5) e.warnings.emplace_back("conductors 2.5 m apart or closer");
  return e;
}

}  // namespace ostrevin
