#include "form/calculator_dlg.h"

#include <array>
#include <optional>

#include "core/electrode_formulas.h"
#include "core/field_ranges.h"
#include "core/length_search.h"
#include "res/resource.h"

namespace ostrevin {

using fw::CDataExchange;
using fw::DDV_MinMaxDouble;
using fw::DDX_Radio;
using fw::DDX_Text;
using fw::Format;
using fw::Message;
using fw::MessageEntry;

CKelmoraDlg::CKelmoraDlg(const fw::ResourceModule& resources)
    : CDialog(IDD_KELMORA_DIALOG, resources), m_hIcon(fw::LoadIcon(resources, IDR_MAINFRAME)) {}

std::span<const MessageEntry> CKelmoraDlg::GetMessageMap() const {
  static constexpr std::array<MessageEntry, 9> kMap{{
      {Message::Destroy, 0, &fw::Handler<&CKelmoraDlg::OnDestroy>},
      {Message::Paint, 0, &fw::Handler<&CKelmoraDlg::OnPaint>},
      {Message::QueryDragIcon, 0, &fw::Handler<&CKelmoraDlg::OnQueryDragIcon>},
      {Message::Command, IDC_CALCULATE, &fw::Handler<&CKelmoraDlg::OnCalculate>},
      {Message::Command, IDC_TYPE_LENGTH, &fw::Handler<&CKelmoraDlg::OnCalcTypeChanged>},
      {Message::Command, IDC_TYPE_RESISTANCE, &fw::Handler<&CKelmoraDlg::OnCalcTypeChanged>},
      {Message::Command, IDC_ENGLISH, &fw::Handler<&CKelmoraDlg::OnUnitsChanged>},
      {Message::Command, IDC_METRIC, &fw::Handler<&CKelmoraDlg::OnUnitsChanged>},
      {Message::Command, IDC_CALCULATE_RHO, &fw::Handler<&CKelmoraDlg::OnCalculateRho>},
  }};
  return kMap;
}

void CKelmoraDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_RHO, m_rho);
  DDV_MinMaxDouble(pDX, m_rho, kRhoRange.min, kRhoRange.max);
  DDX_Text(pDX, IDC_DIAMETER, m_rodDiameter);
  DDV_MinMaxDouble(pDX, m_rodDiameter, kDiameterRange.min, kDiameterRange.max);
  DDX_Text(pDX, IDC_INPUT_LABEL, m_inputLabel);
  // Edit 1004 belongs to the calculation type the record holds when the pass
  // reaches it, before the radio group below is read.
  if (m_calcType != Length) {
    DDX_Text(pDX, IDC_INPUT, m_rodLength);
    DDV_MinMaxDouble(pDX, m_rodLength, kRodLengthRange.min, kRodLengthRange.max);
  } else {
    DDX_Text(pDX, IDC_INPUT, m_targetResistance);
    DDV_MinMaxDouble(pDX, m_targetResistance, kTargetRange.min, kTargetRange.max);
  }
  DDX_Text(pDX, IDC_RESULT, m_resultText);
  DDX_Text(pDX, IDC_RESULT_UNITS, m_resultUnits);
  DDX_Radio(pDX, IDC_TYPE_LENGTH, m_calcType);
  DDX_Radio(pDX, IDC_ENGLISH, m_units);
  DDX_Text(pDX, IDC_DIAMETER_LABEL, m_diameterLabel);
  DDX_Text(pDX, IDC_MEASURED_R, m_measuredR);
  DDV_MinMaxDouble(pDX, m_measuredR, kMeasuredRRange.min, kMeasuredRRange.max);
  DDX_Text(pDX, IDC_SPACING, m_probeSpacing);
  DDV_MinMaxDouble(pDX, m_probeSpacing, kSpacingRange.min, kSpacingRange.max);
  DDX_Text(pDX, IDC_SPACING_LABEL, m_spacingLabel);
}

bool CKelmoraDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  GetWindow()->SetIcon(m_hIcon, true);
  GetWindow()->SetIcon(m_hIcon, false);
  OnCalcTypeChanged();
  const bool metric = IsMetric(Units());
  m_diameterLabel = LoadString(metric ? IDS_DIAMETER_METERS : IDS_DIAMETER_INCHES);
  m_spacingLabel = LoadString(metric ? IDS_DISTANCE_M : IDS_DISTANCE_FT);
  UpdateData(false);
  return true;
}

bool CKelmoraDlg::PullOrRestore(int radioId, int& member, int choice) {
  if (UpdateData(true)) return true;
  member = choice;
  CDataExchange dx(*GetWindow(), false);
  DDX_Radio(&dx, radioId, member);
  return false;
}

void CKelmoraDlg::OnCalculate() {
  if (!UpdateData(true)) return;
  if (m_calcType == Length) {
    CalculateLength();
    return;
  }
  const std::optional<double> ohms =
      RodResistance(m_rho, m_rodDiameter, LengthToMetres(m_rodLength, Units()), Units());
  if (ohms) {
    m_targetResistance = *ohms;
    m_resultText = Format("%f", *ohms);
  } else {
    m_resultText = "na";
  }
  m_resultUnits = LoadString(IDS_OHMS);
  UpdateData(false);
}

void CKelmoraDlg::CalculateLength() {
  BeginWaitCursor();
  const std::optional<double> metres =
      FindRodLength(m_rho, m_rodDiameter, Units(), m_targetResistance);
  m_resultUnits = LoadString(IsMetric(Units()) ? IDS_METERS : IDS_FEET);
  UpdateData(false);
  EndWaitCursor();
  if (metres) {
    m_rodLength = RoundTo3Places(LengthFromMetres(*metres, Units()));
    m_resultText = Format("%.3f", m_rodLength);
  } else {
    m_resultText = "na";
  }
  UpdateData(false);
}

void CKelmoraDlg::LoadInputLabel() {
  if (m_calcType == Length) {
    m_inputLabel = LoadString(IDS_RESISTANCE_TO_GROUND);
  } else {
    m_inputLabel = LoadString(IsMetric(Units()) ? IDS_LENGTH_METERS : IDS_LENGTH_FEET);
  }
}

void CKelmoraDlg::OnCalcTypeChanged() {
  if (!PullOrRestore(IDC_TYPE_LENGTH, m_calcType, m_calcType)) return;
  LoadInputLabel();
  UpdateData(false);
}

void CKelmoraDlg::OnUnitsChanged() {
  const bool wasMetric = IsMetric(Units());
  if (!PullOrRestore(IDC_ENGLISH, m_units, m_units)) return;
  const bool metric = IsMetric(Units());
  if (metric == wasMetric) return;
  m_diameterLabel = LoadString(metric ? IDS_DIAMETER_METERS : IDS_DIAMETER_INCHES);
  m_spacingLabel = LoadString(metric ? IDS_DISTANCE_M : IDS_DISTANCE_FT);
  // The length label follows the units here too: a converted value can fall
  // outside its field's range, and then the pull below stops before it would.
  LoadInputLabel();
  m_rodLength = ConvertLengthUnits(m_rodLength, metric);
  m_probeSpacing = ConvertLengthUnits(m_probeSpacing, metric);
  m_rodDiameter = ConvertDiameterUnits(m_rodDiameter, metric);
  UpdateData(false);
  OnCalcTypeChanged();
}

void CKelmoraDlg::OnOK() {
  if (!UpdateData(true)) return;
  const int focus = GetWindow()->GetFocus();
  if (focus == IDC_MEASURED_R || focus == IDC_SPACING) {
    OnCalculateRho();
  } else {
    OnCalculate();
  }
}

void CKelmoraDlg::OnCalculateRho() {
  if (!UpdateData(true)) return;
  m_rho = ResistivityFromProbes(m_probeSpacing, m_measuredR, Units());
  UpdateData(false);
}

void CKelmoraDlg::OnPaint() {
  fw::Window& window = *GetWindow();
  if (!window.IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  window.EraseIconBackground();
  const fw::Size client = window.ClientSize();
  const fw::Size icon = window.IconSize();
  window.DrawIcon((client.width - icon.width + 1) / 2, (client.height - icon.height + 1) / 2,
                  m_hIcon);
}

}  // namespace ostrevin
