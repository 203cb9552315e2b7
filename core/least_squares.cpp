#include "core/least_squares.h"

#include <unsupported/Eigen/LevenbergMarquardt>
#include <unsupported/Eigen/NumericalDiff>

namespace ostrevin {

namespace {

bool Converged(Eigen::LevenbergMarquardtSpace::Status status) {
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

struct Functor : Eigen::DenseFunctor<double> {
  Functor(const Residuals& residuals, int inputs, int values)
      : DenseFunctor(inputs, values), residuals_(&residuals) {}
  int operator()(const InputType& x, ValueType& out) const {
    (*residuals_)(x, out);
    return 0;
  }

 private:
  const Residuals* residuals_;
};

}  // namespace

LeastSquares MinimizeSquares(const Residuals& residuals, int count, Eigen::VectorXd& x, int budget) {
  Eigen::NumericalDiff<Functor> functor(Functor(residuals, static_cast<int>(x.size()), count));
  Eigen::LevenbergMarquardt<Eigen::NumericalDiff<Functor>> solver(functor);
  solver.setMaxfev(budget);
  const Eigen::LevenbergMarquardtSpace::Status status = solver.minimize(x);
  return {Converged(status), static_cast<int>(solver.nfev())};
}

}  // namespace ostrevin
