#include "core/earth_kernel.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/numerics.h"

namespace ostrevin {

namespace {

// Steps of the table in its mapped coordinates: asinh(p/h) and log(x + 2h).
constexpr double kPStep = 1.0 / 12;
constexpr double kXStep = 1.0 / 16;

double Distance(const Point3& a, const Point3& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

Point3 Along(const Segment3& s, double t) {
  return {s.a.x + (s.b.x - s.a.x) * t, s.a.y + (s.b.y - s.a.y) * t, s.a.z + (s.b.z - s.a.z) * t};
}

Segment3 Imaged(const Segment3& s, double sign, double offset) {
  return {{s.a.x, s.a.y, sign * s.a.z + offset}, {s.b.x, s.b.y, sign * s.b.z + offset}};
}

}  // namespace

Interfaces InterfacesOf(const EarthSoil& soil) {
  Interfaces interfaces;
  if (soil.stack) {
    const std::vector<double>& rho = soil.stack->rho;
    double depth = 0;
    for (std::size_t i = 0; i + 1 < rho.size() && i < interfaces.depth.size(); ++i) {
      interfaces.depth[i] = depth += soil.stack->thicknessM[i];
      interfaces.reflection[i] = (rho[i + 1] - rho[i]) / (rho[i + 1] + rho[i]);
      interfaces.count = i + 1;
    }
  } else if (soil.layers) {
    interfaces.depth[0] = soil.layers->h;
    interfaces.reflection[0] = Reflection(*soil.layers);
    interfaces.count = 1;
  }
  return interfaces;
}

int LayerAt(const EarthSoil& soil, double depth) {
  const Interfaces interfaces = InterfacesOf(soil);
  int layer = 0;
  for (std::size_t k = 0; k < interfaces.count; ++k) layer += depth >= interfaces.depth[k] ? 1 : 0;
  return layer;
}

EarthSoil Simplified(const EarthSoil& soil) {
  if (soil.layers && soil.layers->rho1 == soil.layers->rho2) return {soil.layers->rho1, {}, {}};
  if (!soil.stack) return soil;
  // Each layer with its thickness (the half-space's infinite), a layer
  // like the one above it added to it.
  LayeredSoil merged;
  for (std::size_t i = 0; i < soil.stack->rho.size(); ++i) {
    const double thickness = i < soil.stack->thicknessM.size() ? soil.stack->thicknessM[i] : INFINITY;
    if (!merged.rho.empty() && soil.stack->rho[i] == merged.rho.back()) {
      merged.thicknessM.back() += thickness;
    } else {
      merged.rho.push_back(soil.stack->rho[i]);
      merged.thicknessM.push_back(thickness);
    }
  }
  merged.thicknessM.pop_back();
  if (merged.rho.size() == 1) return {merged.rho[0], {}, {}};
  if (merged.rho.size() == 2) return {0, TwoLayerSoil{merged.rho[0], merged.thicknessM[0], merged.rho[1]}, {}};
  return {0, {}, merged};
}

EarthKernel::EarthKernel(const EarthSoil& soil, double spanM, double depthM) {
  if (soil.stack) {
    layered_ = true;
    stack_ = std::make_shared<const LayeredGreen>(*soil.stack, spanM, depthM);
    return;
  }
  if (!soil.layers) {
    rho1_ = rho2_ = soil.rho / 100;
    upperUpper_ = {{1, +1, 0}, {1, -1, 0}};
    return;
  }
  const TwoLayerSoil& layers = *soil.layers;
  rho1_ = layers.rho1 / 100;
  rho2_ = layers.rho2 / 100;
  h_ = layers.h;
  k_ = Reflection(layers);
  layered_ = true;
  upperUpper_ = {{1, +1, 0}, {1, -1, 0}, {k_, -1, 2 * h_}};
  lowerLower_ = {{1, +1, 0}, {-k_, -1, 2 * h_}, {1 - k_ * k_, -1, 0}};
  across_ = {{1, +1, 0}, {1, -1, 0}};
  if (k_ != 0) Tabulate(std::max(spanM, h_), std::max(depthM, h_));
}

// The stack's images carry their resistivities: its prefactor is 1/4pi.
double EarthKernel::Prefactor(int field, int source) const {
  if (stack_) return 1 / (4 * kPi);
  if (!layered_ || (field == 0 && source == 0)) return rho1_ / (4 * kPi);
  if (field != 0 && source != 0) return rho2_ / (4 * kPi);
  return rho1_ * (1 + k_) / (4 * kPi);
}

const std::vector<EarthKernel::Image>& EarthKernel::Images(int field, int source) const {
  if (stack_) return stack_->Images(field, source);
  if (!layered_ || (field == 0 && source == 0)) return upperUpper_;
  if (field != 0 && source != 0) return lowerLower_;
  return across_;
}

double EarthKernel::SmoothDistance(int field, int source) const {
  if (stack_) return stack_->ThinnestM();
  if (field == 0 && source == 0) return h_;
  if (field != 0 && source != 0) return 4 * h_;
  return 2 * h_;
}

bool EarthKernel::HasSmooth() const { return stack_ || (layered_ && k_ != 0); }

int EarthKernel::LayerOf(double depth) const {
  if (stack_) return stack_->LayerOf(depth);
  return layered_ && depth >= h_ ? 1 : 0;
}

void EarthKernel::Tabulate(double spanM, double depthM) {
  const double h = h_;
  const double k = k_;
  // Beyond this many terms |K|^n is below 1e-16 of the first.
  const long last = std::max(2L, static_cast<long>(std::ceil(std::log(1e-16) / std::log(std::abs(k)))));
  terms_ = last;
  pStep_ = kPStep;
  xStep_ = kXStep;
  xLow_ = std::log(h);  // x = -h, the lowest argument
  // Two nodes beyond each end, for the cubic's neighbours.
  pCount_ = static_cast<int>(std::ceil(std::asinh(spanM / h) / pStep_)) + 4;
  xCount_ = static_cast<int>(std::ceil((std::log(2 * depthM + 4 * h) - xLow_) / xStep_)) + 4;
  table_.assign(static_cast<std::size_t>(pCount_) * static_cast<std::size_t>(xCount_), 0);
  std::vector<std::array<double, 4>> tails(static_cast<std::size_t>(last) + 2);
  for (int ix = 0; ix < xCount_; ++ix) {
    const double x = std::exp(xLow_ + (ix - 2) * xStep_) - 2 * h;
    // Suffix sums T_k(N) = sum_(n >= N) K^n (x + 2nh)^-k, k = 1, 3, 5, 7.
    tails[static_cast<std::size_t>(last) + 1] = {0, 0, 0, 0};
    for (long n = last; n >= 1; --n) {
      const double power = std::pow(k, static_cast<double>(n));
      const double inverse = 1 / (x + 2 * static_cast<double>(n) * h);
      const double i2 = inverse * inverse;
      const auto& next = tails[static_cast<std::size_t>(n) + 1];
      tails[static_cast<std::size_t>(n)] = {next[0] + power * inverse,
                                            next[1] + power * inverse * i2,
                                            next[2] + power * inverse * i2 * i2,
                                            next[3] + power * inverse * i2 * i2 * i2};
    }
    for (int ip = 0; ip < pCount_; ++ip) {
      const double p = h * std::sinh((ip - 2) * pStep_);
      // Term by term while the images are near (2nh + x below 4p), then the
      // moments: 1/R = (x + 2nh)^-1 (1 + q)^-1/2, q = p^2/(x + 2nh)^2 <= 1/16.
      const long first = std::clamp(
          static_cast<long>(std::ceil((4 * std::abs(p) - x) / (2 * h))), 1L, last + 1);
      double sum = 0;
      double power = 1;
      for (long n = 1; n < first; ++n) {
        power *= k;
        const double c = x + 2 * static_cast<double>(n) * h;
        sum += power / std::sqrt(p * p + c * c);
      }
      const auto& tail = tails[static_cast<std::size_t>(first)];
      const double p2 = p * p;
      sum += tail[0] - p2 / 2 * tail[1] + 3 * p2 * p2 / 8 * tail[2] - 5 * p2 * p2 * p2 / 16 * tail[3];
      table_[static_cast<std::size_t>(ix) * static_cast<std::size_t>(pCount_) +
             static_cast<std::size_t>(ip)] = sum;
    }
  }
}

EarthKernel::Across EarthKernel::AcrossAt(double p) const {
  Across across;
  across.p = p;
  const double u = std::asinh(std::abs(p) / h_) / pStep_ + 2;
  across.beyond = u > pCount_ - 2;
  across.column = std::clamp(static_cast<int>(std::floor(u)), 1, pCount_ - 3);
  across.weights = CatmullRomWeights(std::clamp(u - across.column, 0.0, 1.0));
  return across;
}

double EarthKernel::SmoothSeries(const Across& across, double x) const {
  const double v = (std::log(std::max(x + 2 * h_, 1e-300)) - xLow_) / xStep_ + 2;
  if (across.beyond || v > xCount_ - 2) {
    // Beyond the table (a point far from the electrode): the sum itself.
    double sum = 0;
    double power = 1;
    for (long n = 1; n <= terms_; ++n) {
      power *= k_;
      const double c = x + 2 * static_cast<double>(n) * h_;
      sum += power / std::sqrt(across.p * across.p + c * c);
    }
    return sum;
  }
  const int iv = std::clamp(static_cast<int>(std::floor(v)), 1, xCount_ - 3);
  const std::array<double, 4> wv = CatmullRomWeights(std::clamp(v - iv, 0.0, 1.0));
  const std::array<double, 4>& wu = across.weights;
  double sum = 0;
  for (int a = 0; a < 4; ++a) {
    const double* row =
        &table_[static_cast<std::size_t>(iv - 1 + a) * static_cast<std::size_t>(pCount_) +
                static_cast<std::size_t>(across.column - 1)];
    sum += wv[static_cast<std::size_t>(a)] *
           (wu[0] * row[0] + wu[1] * row[1] + wu[2] * row[2] + wu[3] * row[3]);
  }
  return sum;
}

double EarthKernel::SmoothSeries(double p, double x) const {
  if (table_.empty()) return 0;
  return SmoothSeries(AcrossAt(p), x);
}

double EarthKernel::Smooth(int field, int source, double p, double z, double w) const {
  if (stack_) return stack_->Smooth(field, source, p, z, w);
  const Across across = AcrossAt(p);
  if (field == 0 && source == 0) {
    const double twice = z == 0 ? 2 * SmoothSeries(across, w)
                                : SmoothSeries(across, w - z) + SmoothSeries(across, z + w);
    return SmoothSeries(across, z - w) + twice + k_ * SmoothSeries(across, 2 * h_ - z - w);
  }
  if (field != 0 && source != 0) return (1 - k_ * k_) * SmoothSeries(across, z + w);
  return SmoothSeries(across, std::abs(z - w)) + SmoothSeries(across, z + w);
}

double EarthKernel::Point(int field, int source, const Point3& x, const Point3& y) const {
  const double p = std::hypot(x.x - y.x, x.y - y.y);
  double sum = 0;
  for (const Image& image : Images(field, source)) {
    const double c = x.z - (image.sign * y.z + image.offset);
    sum += image.weight / std::sqrt(p * p + c * c);
  }
  if (HasSmooth()) sum += Smooth(field, source, p, x.z, y.z);
  return sum;
}

double EarthKernel::Mutual(const Element& f, const Element& s) const {
  const double lf = f.line.Length();
  const double ls = s.line.Length();
  double sum = 0;
  for (const Image& image : Images(f.layer, s.layer)) {
    sum += image.weight *
           PairIntegral(f.line, f.radius, Imaged(s.line, image.sign, image.offset), s.radius);
  }
  if (HasSmooth()) {
    const Point3 mf = f.line.Middle();
    const Point3 ms = s.line.Middle();
    const double scale = std::max(SmoothDistance(f.layer, s.layer), std::hypot(mf.x - ms.x, mf.y - ms.y));
    const GaussRule& rf = GaussLegendre(GaussPointsFor(lf, scale));
    const GaussRule& rs = GaussLegendre(GaussPointsFor(ls, scale));
    double smooth = 0;
    for (int i = 0; i < static_cast<int>(rf.nodes.size()); ++i) {
      const Point3 x = Along(f.line, rf.nodes[static_cast<std::size_t>(i)]);
      double row = 0;
      for (int j = 0; j < static_cast<int>(rs.nodes.size()); ++j) {
        const Point3 y = Along(s.line, rs.nodes[static_cast<std::size_t>(j)]);
        row += rs.weights[static_cast<std::size_t>(j)] *
               Smooth(f.layer, s.layer, std::hypot(x.x - y.x, x.y - y.y), x.z, y.z);
      }
      smooth += rf.weights[static_cast<std::size_t>(i)] * row;
    }
    sum += smooth * lf * ls;
  }
  return Prefactor(f.layer, s.layer) * sum / (lf * ls);
}

bool EarthKernel::Apart(const Element& f, const Element& s) {
  return Distance(f.line.Middle(), s.line.Middle()) >= 2 * std::max(f.line.Length(), s.line.Length());
}

double EarthKernel::FarMutual(const Element& f, const Element& s) const {
  if (!Apart(f, s)) return Mutual(f, s);
  const double lf = f.line.Length();
  const double ls = s.line.Length();
  const double apart = Distance(f.line.Middle(), s.line.Middle());
  const GaussRule& rf = GaussLegendre(GaussPointsFor(lf, apart));
  const GaussRule& rs = GaussLegendre(GaussPointsFor(ls, apart));
  double sum = 0;
  for (std::size_t i = 0; i < rf.nodes.size(); ++i) {
    const Point3 x = Along(f.line, rf.nodes[i]);
    double row = 0;
    for (std::size_t j = 0; j < rs.nodes.size(); ++j) row += rs.weights[j] * Point(f.layer, s.layer, x, Along(s.line, rs.nodes[j]));
    sum += rf.weights[i] * row;
  }
  return Prefactor(f.layer, s.layer) * sum;
}

double EarthKernel::At(const Point3& x, const Element& s) const {
  const int layer = LayerOf(x.z);
  const double ls = s.line.Length();
  const double apart = Distance(x, s.line.Middle());
  if (apart >= 2 * ls) {
    const GaussRule& rule = GaussLegendre(GaussPointsFor(ls, apart));
    double sum = 0;
    for (int j = 0; j < static_cast<int>(rule.nodes.size()); ++j) {
      sum += rule.weights[static_cast<std::size_t>(j)] *
             Point(layer, s.layer, x, Along(s.line, rule.nodes[static_cast<std::size_t>(j)]));
    }
    return Prefactor(layer, s.layer) * sum;
  }
  double sum = 0;
  for (const Image& image : Images(layer, s.layer)) {
    sum += image.weight * CylinderPotential(x, Imaged(s.line, image.sign, image.offset), s.radius);
  }
  if (HasSmooth()) {
    const Point3 ms = s.line.Middle();
    const double scale = std::max(SmoothDistance(layer, s.layer), std::hypot(x.x - ms.x, x.y - ms.y));
    const GaussRule& rule = GaussLegendre(GaussPointsFor(ls, scale));
    double smooth = 0;
    for (int j = 0; j < static_cast<int>(rule.nodes.size()); ++j) {
      const Point3 y = Along(s.line, rule.nodes[static_cast<std::size_t>(j)]);
      smooth += rule.weights[static_cast<std::size_t>(j)] *
                Smooth(layer, s.layer, std::hypot(x.x - y.x, x.y - y.y), x.z, y.z);
    }
    sum += smooth * ls;
  }
  return Prefactor(layer, s.layer) * sum / ls;
}

}  // namespace ostrevin
