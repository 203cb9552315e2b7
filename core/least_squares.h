// Nonlinear least squares, once for the core's fits: Eigen's
// Levenberg-Marquardt solver (from MINPACK; More 1978) with derivatives by
// forward differences, on residuals given as a function of the parameters.
// For the core's .cpp files only: it names Eigen's vector type.
//
// `x` starts where given and ends at the least sum of squares found within
// `budget` evaluations of the residuals; `converged` says the solver stopped
// because a tolerance was met (or none can be met any more at double
// precision), not because the budget ran out or it was given what it cannot
// work with. Example: residuals x0 - 3 and 2 (x1 - x0) from (0, 0) end at
// (3, 3), converged.
#pragma once

#include <Eigen/Core>
#include <functional>

namespace ostrevin {

using Residuals = std::function<void(const Eigen::VectorXd& x, Eigen::VectorXd& residuals)>;

struct LeastSquares {
  bool converged = false;
  int evaluations = 0;
};

LeastSquares MinimizeSquares(const Residuals& residuals, int count, Eigen::VectorXd& x, int budget);

}  // namespace ostrevin
