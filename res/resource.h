// Resource and control ids of the program: the one place they are defined.
#pragma once

#include <array>
#include <string_view>

// Dialog and icon.
inline constexpr int IDD_KELMORA_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;

// Strings.
inline constexpr int IDS_RESISTANCE_TO_GROUND = 130;
inline constexpr int IDS_OHMS = 132;
inline constexpr int IDS_DIAMETER_METERS = 133;
inline constexpr int IDS_DIAMETER_INCHES = 134;
inline constexpr int IDS_LENGTH_METERS = 135;
inline constexpr int IDS_LENGTH_FEET = 136;
inline constexpr int IDS_METERS = 1012;
inline constexpr int IDS_FEET = 1013;
inline constexpr int IDS_DISTANCE_M = 1019;
inline constexpr int IDS_DISTANCE_FT = 1020;

// Controls of the calculator dialog.
inline constexpr int IDC_RHO = 1000;
inline constexpr int IDC_CALCULATE = 1001;
inline constexpr int IDC_DIAMETER = 1002;
inline constexpr int IDC_RESULT = 1003;
inline constexpr int IDC_INPUT = 1004;  // target resistance or rod length
inline constexpr int IDC_INPUT_LABEL = 1005;
inline constexpr int IDC_RESULT_UNITS = 1006;
inline constexpr int IDC_TYPE_LENGTH = 1007;
inline constexpr int IDC_TYPE_RESISTANCE = 1008;
inline constexpr int IDC_DIAMETER_LABEL = 1009;
inline constexpr int IDC_ENGLISH = 1010;
inline constexpr int IDC_METRIC = 1011;
inline constexpr int IDC_MEASURED_R = 1014;
inline constexpr int IDC_MEASURED_R_LABEL = 1015;
inline constexpr int IDC_SPACING_LABEL = 1016;
inline constexpr int IDC_SPACING = 1017;
inline constexpr int IDC_CALCULATE_RHO = 1018;

// The controls by name, for a window that finds them by name (the page's
// markup says data-control="IDC_RHO").
struct ControlName {
  std::string_view name;
  int id;
};
inline constexpr std::array<ControlName, 17> kControlNames{{
    {"IDC_RHO", IDC_RHO},
    {"IDC_CALCULATE", IDC_CALCULATE},
    {"IDC_DIAMETER", IDC_DIAMETER},
    {"IDC_RESULT", IDC_RESULT},
    {"IDC_INPUT", IDC_INPUT},
    {"IDC_INPUT_LABEL", IDC_INPUT_LABEL},
    {"IDC_RESULT_UNITS", IDC_RESULT_UNITS},
    {"IDC_TYPE_LENGTH", IDC_TYPE_LENGTH},
    {"IDC_TYPE_RESISTANCE", IDC_TYPE_RESISTANCE},
    {"IDC_DIAMETER_LABEL", IDC_DIAMETER_LABEL},
    {"IDC_ENGLISH", IDC_ENGLISH},
    {"IDC_METRIC", IDC_METRIC},
    {"IDC_MEASURED_R", IDC_MEASURED_R},
    {"IDC_MEASURED_R_LABEL", IDC_MEASURED_R_LABEL},
    {"IDC_SPACING_LABEL", IDC_SPACING_LABEL},
    {"IDC_SPACING", IDC_SPACING},
    {"IDC_CALCULATE_RHO", IDC_CALCULATE_RHO},
}};
