#include "framework/dialog.h"

#include <algorithm>

namespace ostrevin::fw {

CDialog::~CDialog() = default;

bool CDialog::Create(WindowSystem& system) {
  const DialogTemplate* dialog = resources_.FindDialog(templateId_);
  if (dialog == nullptr) return false;
  endResult_.reset();
  window_ = system.CreateDialogWindow(*dialog, *this);
  if (OnInitDialog()) {
    const auto first = std::find_if(dialog->controls.begin(), dialog->controls.end(),
                                    [](const ControlTemplate& c) { return c.Has(kTabStop); });
    if (first != dialog->controls.end()) window_->SetFocus(first->id);
  }
  return true;
}

int CDialog::DoModal(WindowSystem& system) {
  if (!Create(system)) return -1;
  const int result = endResult_ ? *endResult_ : window_->RunModal();
  OnWindowMessage(Message::Destroy, 0);
  window_.reset();
  return result;
}

void CDialog::EndDialog(int result) {
  endResult_ = result;
  if (window_) window_->EndModal(result);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (!window_) return false;
  CDataExchange dx(*window_, saveAndValidate);
  DoDataExchange(&dx);
  return !dx.Failed();
}

void CDialog::BeginWaitCursor() {
  if (window_) window_->SetBusyCursor(true);
}

void CDialog::EndWaitCursor() {
  if (window_) window_->SetBusyCursor(false);
}

long CDialog::OnWindowMessage(Message message, int id) {
  const std::span<const MessageEntry> map = GetMessageMap();
  const auto entry = std::find_if(map.begin(), map.end(), [&](const MessageEntry& e) {
    return e.message == message && (message != Message::Command || e.id == id);
  });
  if (entry != map.end()) return entry->handler(*this);
  if (message == Message::Command && id == IDOK) OnOK();
  if (message == Message::Command && id == IDCANCEL) OnCancel();
  return 0;
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

}  // namespace ostrevin::fw
