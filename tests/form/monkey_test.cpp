// A seeded monkey: thousands of random user actions on the form, with the
// invariants a user relies on checked after each one.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/electrode_formulas.h"
#include "core/field_ranges.h"
#include "form/calculator_dlg.h"
#include "framework/memory_window.h"
#include "framework/number_text.h"
#include "res/resource.h"

namespace ostrevin {
namespace {

// The form, with a check of the record at the end of every successful pull.
class CheckedForm : public CKelmoraDlg {
 public:
  int pulls = 0;

 protected:
  void DoDataExchange(fw::CDataExchange* pDX) override {
    const int exchangedType = m_calcType;  // edit 1004 belongs to the type before the pull
    CKelmoraDlg::DoDataExchange(pDX);
    if (!pDX->m_bSaveAndValidate || pDX->Failed()) return;
    ++pulls;
    EXPECT_TRUE(kRhoRange.Contains(m_rho)) << m_rho;
    EXPECT_TRUE(kDiameterRange.Contains(m_rodDiameter)) << m_rodDiameter;
    EXPECT_TRUE(exchangedType == Length ? kTargetRange.Contains(m_targetResistance)
                                        : kRodLengthRange.Contains(m_rodLength));
    EXPECT_TRUE(kMeasuredRRange.Contains(m_measuredR)) << m_measuredR;
    EXPECT_TRUE(kSpacingRange.Contains(m_probeSpacing)) << m_probeSpacing;
  }
};

constexpr int kEdits[] = {IDC_RHO, IDC_DIAMETER, IDC_INPUT, IDC_MEASURED_R, IDC_SPACING};
constexpr int kButtons[] = {IDC_CALCULATE, IDC_CALCULATE_RHO, IDC_ENGLISH,
                            IDC_METRIC,    IDC_TYPE_LENGTH,   IDC_TYPE_RESISTANCE};

class Monkey {
 public:
  explicit Monkey(unsigned seed) : random_(seed) { EXPECT_TRUE(form_.Create(system_)); }

  void Act() {
    switch (Pick(10)) {
      case 0:
      case 1:
      case 2:
      case 3:
        TypeSomething();
        break;
      case 4:
        RoundTrip();
        break;
      default:
        Click(kButtons[Pick(std::size(kButtons))]);
        break;
    }
    CheckLabels();
    CheckResult();
  }

 private:
  fw::MemoryWindow& w() { return *system_.last; }
  std::size_t Pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }

  // Text for an edit: often a number its field accepts, else anything.
  std::string SomeText(int id) {
    if (Pick(2)) {
      const FieldRange range = id == IDC_RHO                ? kRhoRange
                               : id == IDC_DIAMETER         ? kDiameterRange
                               : id == IDC_MEASURED_R       ? kMeasuredRRange
                               : id == IDC_SPACING          ? kSpacingRange
                               : form_.m_calcType == Length ? kTargetRange
                                                            : kRodLengthRange;
      const double value = std::exp(std::uniform_real_distribution<double>(
          std::log(range.min), std::log(range.max))(random_));
      return fw::FormatNumber(std::clamp(RoundTo3Places(value), range.min, range.max));
    }
    static const std::vector<std::string> kOdd = {"",
                                                  " ",
                                                  "abc",
                                                  "1,5",
                                                  "nan",
                                                  "inf",
                                                  "-inf",
                                                  "0x1p3",
                                                  "1e400",
                                                  "-0",
                                                  "0",
                                                  "1e-400",
                                                  "  7  ",
                                                  "+.5",
                                                  "5.",
                                                  "1e",
                                                  "--1",
                                                  "\t2\t",
                                                  "99999999999999999999",
                                                  "0.0001",
                                                  "10000",
                                                  "1000000000",
                                                  "1000000000.0000001",
                                                  "0.000001",
                                                  "0.0000009999999",
                                                  "10.0000001"};
    switch (Pick(4)) {
      case 0:
        return kOdd[Pick(kOdd.size())];
      case 1: {  // a bound of a field, or one step past it
        const FieldRange ranges[] = {kRhoRange,    kDiameterRange,  kRodLengthRange,
                                     kTargetRange, kMeasuredRRange, kSpacingRange};
        const FieldRange range = ranges[Pick(std::size(ranges))];
        double value = Pick(2) ? range.min : range.max;
        if (Pick(2)) value = std::nextafter(value, Pick(2) ? 0.0 : 1e300);
        return fw::FormatNumber(value);
      }
      default: {
        const double value = std::exp(std::uniform_real_distribution<double>(-14, 21)(random_));
        return fw::FormatNumber(Pick(3) ? RoundTo3Places(value) : value);
      }
    }
  }

  void TypeSomething() {
    const int id = kEdits[Pick(std::size(kEdits))];
    w().Type(id, SomeText(id));
  }

  struct Seen {
    std::vector<std::string> edits;
    std::string result, units;
  };
  Seen Look() {
    Seen seen;
    for (const int id : kEdits) seen.edits.push_back(w().GetText(id));
    seen.result = w().GetText(IDC_RESULT);
    seen.units = w().GetText(IDC_RESULT_UNITS);
    return seen;
  }

  // A click; when its pull fails nothing the user sees may change but the
  // prompt, the focus, and the clicked radio button going back. (A units
  // switch that converted may be followed by a failing pull of its own: a
  // converted value can fall outside its field's range.)
  void Click(int id) {
    const Seen before = Look();
    const std::size_t prompts = w().Prompts().size();
    const int calcType = form_.m_calcType, units = form_.m_units;
    w().Click(id);
    if (w().Prompts().size() == prompts || IsMetric(form_.m_units) != IsMetric(units)) return;
    const Seen after = Look();
    EXPECT_EQ(after.edits, before.edits);
    EXPECT_EQ(after.result, before.result);
    EXPECT_EQ(after.units, before.units);
    EXPECT_EQ(form_.m_calcType, calcType);
    EXPECT_EQ(form_.m_units, units);
    EXPECT_TRUE(w().IsChecked(calcType == Length ? IDC_TYPE_LENGTH : IDC_TYPE_RESISTANCE));
    EXPECT_TRUE(w().IsChecked(IsMetric(units) ? IDC_METRIC : IDC_ENGLISH));
  }

  // English -> Metric -> English moves each value by at most its two roundings.
  void RoundTrip() {
    Click(IDC_ENGLISH);  // takes what is typed into the record, converting if Metric
    if (IsMetric(form_.m_units)) return;  // the form did not validate
    const CKelmoraDlg& f = form_;
    const double rho = f.m_rho, target = f.m_targetResistance, measured = f.m_measuredR;
    const double diameter = f.m_rodDiameter, length = f.m_rodLength, spacing = f.m_probeSpacing;
    Click(IDC_METRIC);
    if (!IsMetric(form_.m_units)) return;
    Click(IDC_ENGLISH);
    if (IsMetric(form_.m_units)) return;
    EXPECT_EQ(f.m_rho, rho);
    EXPECT_EQ(f.m_targetResistance, target);
    EXPECT_EQ(f.m_measuredR, measured);
    const double inchSlack = 0.0005 / kMetresPerInch + 0.0005 + 1e-9;
    const double footSlack = 0.0005 / kMetresPerFoot + 0.0005 + 1e-9;
    EXPECT_LE(std::fabs(f.m_rodDiameter - diameter), inchSlack) << diameter;
    EXPECT_LE(std::fabs(f.m_rodLength - length), footSlack) << length;
    EXPECT_LE(std::fabs(f.m_probeSpacing - spacing), footSlack) << spacing;
  }

  void CheckLabels() {
    const bool metric = IsMetric(form_.m_units);
    const char* input = form_.m_calcType == Length
                            ? "Resistance to ground (ohms)"
                            : (metric ? "Rod Length (meters)" : "Rod Length (feet)");
    EXPECT_EQ(w().GetText(IDC_INPUT_LABEL), input);
    EXPECT_EQ(w().GetText(IDC_DIAMETER_LABEL),
              metric ? "Rod diameter (meters)" : "Rod diameter (inches)");
    EXPECT_EQ(w().GetText(IDC_SPACING_LABEL), metric ? "Distance (m)" : "Distance (ft)");
  }

  // A resistance has six decimals and the unit "Ohms"; a length three and
  // "Feet" or "Meters"; "na" goes with either; nothing goes with nothing.
  void CheckResult() {
    static const std::regex kOhms(R"(na|\d+\.\d{6})"), kLength(R"(na|\d+\.\d{3})");
    const std::string result = w().GetText(IDC_RESULT), units = w().GetText(IDC_RESULT_UNITS);
    if (units.empty()) {
      EXPECT_EQ(result, "");
    } else if (units == "Ohms") {
      EXPECT_TRUE(std::regex_match(result, kOhms)) << result;
    } else {
      EXPECT_TRUE(units == "Feet" || units == "Meters") << units;
      EXPECT_TRUE(std::regex_match(result, kLength)) << result;
    }
  }

  std::mt19937 random_;
  fw::MemoryWindowSystem system_;
  CheckedForm form_;

 public:
  int Pulls() const { return form_.pulls; }
};

TEST(Monkey, ThousandsOfRandomActionsKeepTheInvariants) {
  for (const unsigned seed : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE(seed);
    Monkey monkey(seed);
    for (int action = 0; action < 2500 && !testing::Test::HasFailure(); ++action) monkey.Act();
    EXPECT_GT(monkey.Pulls(), 150);  // the monkey does get past the checks
  }
}

}  // namespace
}  // namespace ostrevin
