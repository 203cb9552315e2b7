// A seeded monkey: thousands of random user actions on the form, with the
// invariants a user relies on checked after each one.
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/electrode_formulas.h"
#include "core/field_ranges.h"
#include "core/number_text.h"
#include "form/calculator_dlg.h"
#include "framework/memory_window.h"
#include "fuzz/form_invariants.h"
#include "res/resource.h"

namespace ostrevin {
namespace {

// The form, checking the record at the end of every pull that succeeds.
class CheckedForm : public CKelmoraDlg {
 public:
  int pulls = 0;

 protected:
  void DoDataExchange(fw::CDataExchange* pDX) override {
    const bool length = m_calcType == Length;  // edit 1004's member is chosen before the pull
    CKelmoraDlg::DoDataExchange(pDX);
    if (!pDX->m_bSaveAndValidate || pDX->Failed()) return;
    ++pulls;
    const std::pair<double, FieldRange> members[] = {
        {m_rho, kRhoRange},
        {m_rodDiameter, kDiameterRange},
        {length ? m_targetResistance : m_rodLength, length ? kTargetRange : kRodLengthRange},
        {m_measuredR, kMeasuredRRange},
        {m_probeSpacing, kSpacingRange}};
    for (const auto& [value, range] : members) EXPECT_TRUE(range.Contains(value)) << value;
  }
};

// The edits' own ranges, then that of the other member of edit 1004.
constexpr FieldRange kRanges[] = {kRhoRange,       kDiameterRange, kTargetRange,
                                  kMeasuredRRange, kSpacingRange,  kRodLengthRange};
const char* const kOddTexts[] = {
    "",   "abc",    "1,5", "nan", "inf", "0x1p3", "1e400",
    "-0", "1e-400", " 7 ", "+.5", "1e",  "--1",   "99999999999999999999"};

class Monkey {
 public:
  explicit Monkey(unsigned seed) : random_(seed) { EXPECT_TRUE(form_.Create(system_)); }
  int Pulls() const { return form_.pulls; }

  void Act() {
    const std::size_t action = Pick(10);
    if (action < 4) {
      const std::size_t edit =
          Pick(std::size(invariants::kEdits));  // mostly a text of its own field
      w().Type(invariants::kEdits[edit],
               SomeText(kRanges[Pick(4) > 0 ? edit : Pick(std::size(kRanges))]));
    } else if (action == 4) {
      RoundTrip();
    } else {
      Click(invariants::kButtons[Pick(std::size(invariants::kButtons))]);
    }
    EXPECT_EQ(invariants::MismatchedLabel(form_, w()), "");
    CheckResult();
  }

 private:
  fw::MemoryWindow& w() { return *system_.last; }
  std::size_t Pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }

  // A number some field accepts, a bound or one step past it, or oddities.
  std::string SomeText(FieldRange range) {
    switch (Pick(8)) {
      case 0:
        return kOddTexts[Pick(std::size(kOddTexts))];
      case 1:
        return FormatNumber(std::nextafter(Pick(2) ? range.min : range.max, Pick(2) ? 0.0 : 1e300));
      default: {
        const double value = std::exp(std::uniform_real_distribution<double>(
            std::log(range.min), std::log(range.max))(random_));
        return FormatNumber(std::clamp(RoundTo3Places(value), range.min, range.max));
      }
    }
  }

  // After a click whose pull failed the user sees what they typed, the same
  // result, and the radio buttons of the record. (A units switch that did
  // convert may be followed by a failing pull of its own, since a converted
  // value can fall outside its field's range.)
  void Click(int id) {
    const std::vector<std::string> before = invariants::Visible(w());
    const std::size_t prompts = w().Prompts().size();
    const int calcType = form_.m_calcType, units = form_.m_units;
    w().Click(id);
    if (w().Prompts().size() == prompts || IsMetric(UnitSystemOf(form_.m_units)) != IsMetric(UnitSystemOf(units))) return;
    EXPECT_EQ(invariants::Visible(w()), before);
    EXPECT_EQ(form_.m_calcType, calcType);
    EXPECT_TRUE(w().IsChecked(calcType == Length ? IDC_TYPE_LENGTH : IDC_TYPE_RESISTANCE));
    EXPECT_TRUE(w().IsChecked(IsMetric(UnitSystemOf(units)) ? IDC_METRIC : IDC_ENGLISH));
  }

  // English -> Metric -> English moves each value by at most its two
  // roundings and leaves resistivity and resistances alone.
  void RoundTrip() {
    Click(IDC_ENGLISH);  // takes what is typed into the record
    if (IsMetric(UnitSystemOf(form_.m_units))) return;
    const double values[] = {form_.m_rho,         form_.m_targetResistance, form_.m_measuredR,
                             form_.m_rodDiameter, form_.m_rodLength,        form_.m_probeSpacing};
    Click(IDC_METRIC);
    if (!IsMetric(UnitSystemOf(form_.m_units))) return;
    Click(IDC_ENGLISH);
    if (IsMetric(UnitSystemOf(form_.m_units))) return;
    EXPECT_EQ(form_.m_rho, values[0]);
    EXPECT_EQ(form_.m_targetResistance, values[1]);
    EXPECT_EQ(form_.m_measuredR, values[2]);
    const double inch = 0.0005 / kMetresPerInch + 0.0005 + 1e-9;
    const double foot = 0.0005 / kMetresPerFoot + 0.0005 + 1e-9;
    EXPECT_NEAR(form_.m_rodDiameter, values[3], inch);
    EXPECT_NEAR(form_.m_rodLength, values[4], foot);
    EXPECT_NEAR(form_.m_probeSpacing, values[5], foot);
  }

  // A resistance has six decimals and "Ohms", a length three and "Feet" or
  // "Meters"; "na" goes with either, and nothing with nothing.
  void CheckResult() {
    const std::string result = w().GetText(IDC_RESULT), units = w().GetText(IDC_RESULT_UNITS);
    const std::size_t decimals = units == "Ohms" ? 6 : units == "Feet" || units == "Meters" ? 3 : 0;
    const std::size_t point = result.find('.');
    const bool number = point != std::string::npos && point > 0 &&
                        result.size() == point + 1 + decimals &&
                        result.find_first_not_of("0123456789.") == std::string::npos;
    EXPECT_TRUE(units.empty() ? result.empty() : decimals > 0 && (result == "na" || number))
        << result << " " << units;
  }

  std::mt19937 random_;
  fw::MemoryWindowSystem system_;
  CheckedForm form_;
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
