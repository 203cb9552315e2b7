// Whether Eigen's Levenberg-Marquardt solver stopped because it converged (a
// tolerance met, or none can be met any more at double precision), not
// because it ran out of evaluations or was given what it cannot work with.
// For the core's fits only: it names Eigen's types.
#pragma once

#include <unsupported/Eigen/LevenbergMarquardt>

namespace ostrevin {

inline bool Converged(Eigen::LevenbergMarquardtSpace::Status status) {
  using enum Eigen::LevenbergMarquardtSpace::Status;
  switch (status) {
    case RelativeReductionTooSmall:
    case RelativeErrorTooSmall:
    case RelativeErrorAndReductionTooSmall:
    case CosinusTooSmall:
    case FtolTooSmall:
    case XtolTooSmall:
    case GtolTooSmall:
      return true;
    default:
      return false;
  }
}

}  // namespace ostrevin
