#include "framework/data_exchange.h"

#include "core/number_text.h"

namespace ostrevin::fw {

void CDataExchange::Fail(int controlId, std::string_view prompt) {
  failed_ = true;
  window_.ShowPrompt(prompt);
  window_.SetFocus(controlId);
}

void CDataExchange::NoteNumber(int controlId, double* member, double previous) {
  lastControl_ = controlId;
  lastMember_ = member;
  lastPrevious_ = previous;
}

void DDX_Text(CDataExchange* pDX, int id, double& value) {
  if (pDX->Failed()) return;
  if (!pDX->m_bSaveAndValidate) {
    pDX->window().SetText(id, FormatNumber(value));
    return;
  }
  const std::optional<double> number = ParseNumber(pDX->window().GetText(id));
  if (!number) {
    pDX->Fail(id, "Please enter a number.");
    return;
  }
  pDX->NoteNumber(id, &value, value);
  value = *number;
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
  if (pDX->Failed()) return;
  if (pDX->m_bSaveAndValidate) {
    value = pDX->window().GetText(id);
  } else {
    pDX->window().SetText(id, value);
  }
}

void DDX_Radio(CDataExchange* pDX, int id, int& value) {
  if (pDX->Failed()) return;
  const std::vector<int> group = pDX->window().Template().RadioGroup(id);
  if (pDX->m_bSaveAndValidate) {
    value = -1;
    for (std::size_t i = 0; i < group.size(); ++i) {
      if (pDX->window().IsChecked(group[i])) {
        value = static_cast<int>(i);
        break;
      }
    }
    return;
  }
  for (std::size_t i = 0; i < group.size(); ++i) {
    pDX->window().SetChecked(group[i], static_cast<int>(i) == value);
  }
}

void DDV_MinMaxDouble(CDataExchange* pDX, double& value, double min, double max) {
  if (pDX->Failed() || !pDX->m_bSaveAndValidate) return;
  if (value >= min && value <= max) return;
  if (pDX->lastMember() == &value) value = pDX->lastPrevious();
  pDX->Fail(pDX->lastControl(), "Please enter a number between " + FormatNumber(min) + " and " +
                                    FormatNumber(max) + ".");
}

}  // namespace ostrevin::fw
