#include "framework/memory_window.h"

#include <stdexcept>
#include <utility>

namespace ostrevin::fw {

MemoryWindow::MemoryWindow(const DialogTemplate& dialog, MessageSink& sink)
    : dialog_(dialog), sink_(sink) {
  for (const ControlTemplate& control : dialog.controls) {
    if (control.id != kStaticId) controls_[control.id].text = std::string(control.caption);
  }
}

const MemoryWindow::Control& MemoryWindow::At(int id) const {
  const auto it = controls_.find(id);
  if (it == controls_.end()) throw std::out_of_range("no control " + std::to_string(id));
  return it->second;
}

MemoryWindow::Control& MemoryWindow::At(int id) {
  return const_cast<Control&>(std::as_const(*this).At(id));
}

std::string MemoryWindow::GetText(int id) const { return At(id).text; }
void MemoryWindow::SetText(int id, std::string_view text) { At(id).text = text; }
bool MemoryWindow::IsChecked(int id) const { return At(id).checked; }
void MemoryWindow::SetChecked(int id, bool checked) { At(id).checked = checked; }

void MemoryWindow::Type(int id, std::string_view text) {
  focus_ = id;
  SetText(id, text);
}

void MemoryWindow::Click(int id) {
  const ControlTemplate* control = dialog_.Find(id);
  if (control == nullptr) throw std::out_of_range("no control " + std::to_string(id));
  if (control->kind == ControlKind::RadioButton) {
    for (int member : dialog_.RadioGroupOf(id)) SetChecked(member, member == id);
  }
  sink_.OnWindowMessage(Message::Command, id);
}

void MemoryWindow::SetBusyCursor(bool busy) {
  if (busy && !busy_) ++busyShown_;
  busy_ = busy;
}

Size MemoryWindow::ClientSize() const {
  // Two pixels per dialog unit: a fixed, plausible size.
  return {dialog_.width * 2, dialog_.height * 2};
}

int MemoryWindow::RunModal() {
  if (session) session(*this);
  return modalResult_.value_or(IDCANCEL);
}

std::unique_ptr<Window> MemoryWindowSystem::CreateDialogWindow(const DialogTemplate& dialog,
                                                               MessageSink& sink) {
  auto window = std::make_unique<MemoryWindow>(dialog, sink);
  window->session = session;
  last = window.get();
  return window;
}

}  // namespace ostrevin::fw
