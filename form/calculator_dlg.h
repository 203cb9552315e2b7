// The calculator form: the record behind the window and the commands behind
// its buttons.
//
// Data flow: every command pulls the controls into the record (a fixed order,
// each number range-checked), computes with the calculation core, writes
// answers and labels into the record and pushes the record back. A pull that
// fails stops the command: nothing is computed or pushed, the edits keep what
// the user typed, and a radio button the user clicked goes back to the
// record's choice. Edit 1004 shows the wanted resistance while the calculation
// type is Length and the rod length otherwise; each calculation writes its
// answer into the other type's input.
//
// Enter (the dialog's OK) checks the whole form, as OK does, and then
// calculates, as the button beside the field does: "Calculate Rho From:" in
// the four-probe fields, "Calculate" elsewhere. The window stays open, so
// nothing typed is lost; Escape and the close box still close it.
//
// The form never touches a toolkit: it reads and writes controls only through
// the framework's exchange, and does no arithmetic of its own beyond choosing
// which core function to call.
#pragma once

#include <span>
#include <string>

#include "core/electrode_formulas.h"
#include "framework/dialog.h"
#include "res/kelmora_resources.h"

namespace ostrevin {

class CKelmoraDlg : public fw::CDialog {
 public:
  explicit CKelmoraDlg(const fw::ResourceModule& resources = KelmoraResources());

  // The record, in exchange units: resistivity in ohm-cm, resistances in
  // ohms, diameter in inches or metres, lengths and spacing in feet or metres.
  double m_rho = 2000.0;
  double m_rodDiameter = 0.625;
  double m_rodLength = 3.0;
  double m_targetResistance = 10.0;
  double m_measuredR = 1.0;
  double m_probeSpacing = 3.0;
  int m_calcType = 0;  // CalcType: 0 Length, otherwise GroundResistance
  int m_units = 0;     // UnitSystem: above 0 Metric, otherwise English
  std::string m_resultText;
  std::string m_inputLabel;
  std::string m_resultUnits;
  std::string m_diameterLabel;
  std::string m_spacingLabel;
  fw::IconHandle m_hIcon;

  // "Calculate": the rod length for the wanted resistance, or the resistance
  // of the rod as entered.
  void OnCalculate();
  // Either calculation-type button: swaps edit 1004 and its label.
  void OnCalcTypeChanged();
  // Either units button: converts diameter, length and spacing and relabels.
  void OnUnitsChanged();
  // "Calculate Rho From:": the soil resistivity from a four-probe reading.
  void OnCalculateRho();
  // Draws the icon while minimised.
  void OnPaint();
  fw::IconHandle OnQueryDragIcon() const { return m_hIcon; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(fw::CDataExchange* pDX) override;
  // Enter: the whole form checked, then the calculation of the field's part
  // of the form; the window stays.
  void OnOK() override;
  std::span<const fw::MessageEntry> GetMessageMap() const override;

 private:
  // The unit system the units radio group holds.
  UnitSystem Units() const { return UnitSystemOf(m_units); }
  void CalculateLength();
  // The caption of edit 1004 for the record's calculation type and units.
  void LoadInputLabel();
  // Pulls the controls into the record; after a failure puts the radio group
  // starting at radioId back to `choice`, the record's value before the pull.
  bool PullOrRestore(int radioId, int& member, int choice);
};

}  // namespace ostrevin
