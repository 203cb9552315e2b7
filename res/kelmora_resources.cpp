#include "res/kelmora_resources.h"

#include <array>

#include "res/resource.h"

namespace ostrevin {

namespace {

using fw::ControlKind;
using fw::ControlTemplate;
using fw::kStaticId;
using enum fw::Style;

constexpr unsigned kEdit = kBorder | kAutoHScroll | kTabStop;
constexpr unsigned kToggle = kPushLike | kFrame;

// Template order is tab order.
constexpr std::array<ControlTemplate, 23> kCalculatorControls{{
    {kStaticId, ControlKind::GroupBox, "Units", {7, 7, 161, 30}, kCentred},
    {IDC_ENGLISH, ControlKind::RadioButton, "English", {7, 18, 81, 14}, kToggle | kGroup},
    {IDC_METRIC, ControlKind::RadioButton, "Metric", {88, 17, 79, 14}, kToggle},
    {kStaticId, ControlKind::GroupBox, "Calculation Type", {46, 39, 210, 27}, kCentred | kGroup},
    {IDC_TYPE_LENGTH, ControlKind::RadioButton, "Length", {47, 52, 101, 14}, kToggle | kGroup},
    {IDC_TYPE_RESISTANCE,
     ControlKind::RadioButton,
     "Ground Resistance",
     {150, 52, 101, 14},
     kToggle},
    {kStaticId,
     ControlKind::Static,
     "Soil resistance Rho ohm-cm",
     {7, 80, 110, 10},
     kCentred | kGroup},
    {IDC_RHO, ControlKind::Edit, "", {119, 73, 84, 17}, kEdit},
    {IDC_CALCULATE_RHO,
     ControlKind::PushButton,
     "Calculate Rho From:",
     {203, 76, 76, 14},
     kTabStop | kFrame},
    {IDC_MEASURED_R_LABEL, ControlKind::Static, "R:", {284, 70, 15, 8}, kGroup},
    {IDC_MEASURED_R, ControlKind::Edit, "", {281, 77, 51, 12}, kEdit},
    {IDC_SPACING_LABEL, ControlKind::Static, "Distance:", {336, 70, 48, 8}, kGroup},
    {IDC_SPACING, ControlKind::Edit, "", {333, 77, 51, 12}, kEdit},
    {IDC_DIAMETER_LABEL, ControlKind::Static, "", {7, 96, 110, 10}, kCentred | kGroup},
    {IDC_DIAMETER, ControlKind::Edit, "", {119, 89, 84, 17}, kEdit},
    {IDC_INPUT_LABEL,
     ControlKind::Static,
     "Rod Length (meters)",
     {7, 113, 110, 10},
     kCentred | kGroup},
    {IDC_INPUT, ControlKind::Edit, "", {119, 106, 84, 17}, kEdit},
    {kStaticId,
     ControlKind::Static,
     "Ohms = (SoilResistanceOhmCm / 100)",
     {28, 132, 250, 12},
     kGroup},
    {kStaticId,
     ControlKind::Static,
     "* (logn(4 * RodLengthMeters / RodRadiusMeters) - 1)",
     {60, 145, 250, 12},
     kGroup},
    {kStaticId, ControlKind::Static, "/ (2 * pi * RodLengthMeters)", {60, 156, 250, 12}, kGroup},
    {IDC_CALCULATE, ControlKind::PushButton, "Calculate", {7, 176, 80, 19}, kTabStop | kFrame},
    {IDC_RESULT, ControlKind::Static, "", {87, 176, 115, 19}, kGroup | kFrame},
    {IDC_RESULT_UNITS, ControlKind::Static, "Ohms", {203, 186, 52, 10}, kGroup},
}};

constexpr std::array<fw::DialogTemplate, 1> kDialogs{{
    {IDD_KELMORA_DIALOG, "Ostrevin", 391, 202, "MS Shell Dlg", 8, kCalculatorControls},
}};

constexpr std::array<fw::StringResource, 10> kStrings{{
    {IDS_RESISTANCE_TO_GROUND, "Resistance to ground (ohms)"},
    {IDS_OHMS, "Ohms"},
    {IDS_DIAMETER_METERS, "Rod diameter (meters)"},
    {IDS_DIAMETER_INCHES, "Rod diameter (inches)"},
    {IDS_LENGTH_METERS, "Rod Length (meters)"},
    {IDS_LENGTH_FEET, "Rod Length (feet)"},
    {IDS_METERS, "Meters"},
    {IDS_FEET, "Feet"},
    {IDS_DISTANCE_M, "Distance (m)"},
    {IDS_DISTANCE_FT, "Distance (ft)"},
}};

constexpr std::array<int, 1> kIcons{IDR_MAINFRAME};

}  // namespace

const fw::ResourceModule& KelmoraResources() {
  static const fw::ResourceModule module{kDialogs, kStrings, kIcons};
  return module;
}

}  // namespace ostrevin
