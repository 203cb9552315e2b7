#include "framework/web/web_window.h"

#include <algorithm>
#include <string>
#include <utility>

namespace ostrevin::fw::web {

namespace {

using emscripten::val;

val Document() { return val::global("document"); }

bool Exists(const val& element) { return !element.isNull() && !element.isUndefined(); }

val ElementAt(std::size_t index) {
  return Document().call<val>("querySelector", "[data-index=\"" + std::to_string(index) + "\"]");
}

// A static caption, written once when the window is made.
void SetCaption(val element, std::string_view text) {
  if (!Exists(element)) return;
  val holder = element;
  if (element["tagName"].as<std::string>() == "FIELDSET") {
    holder = element.call<val>("querySelector", std::string("legend"));
  }
  if (Exists(holder)) holder.set("textContent", std::string(text));
}

}  // namespace

WebDialogWindow::WebDialogWindow(const DialogTemplate& dialog, MessageSink& sink,
                                 const ControlNamer& names, TextTranslator in, TextTranslator out)
    : dialog_(dialog),
      sink_(sink),
      elements_(val::array()),
      in_(std::move(in)),
      out_(std::move(out)) {
  Document().set("title", std::string(dialog.caption));
  SetCaption(Document().call<val>("querySelector", std::string("[data-caption]")), dialog.caption);
  for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
    const ControlTemplate& control = dialog.controls[i];
    SetCaption(ElementAt(i), control.caption);
    if (control.id == kStaticId) continue;
    const std::string name(names(control.id));
    names_.emplace(control.id, name);
  }
  // Found once, by name, in the order of names_.
  for (const auto& [id, name] : names_) {
    elements_.call<void>("push", Document().call<val>("querySelector",
                                                      "[data-control=\"" + name + "\"]"));
  }
}

bool WebDialogWindow::IsEdit(int id) const {
  const ControlTemplate* control = dialog_.Find(id);
  return control != nullptr && control->kind == ControlKind::Edit;
}

void WebDialogWindow::Read() {
  // [{checked, text}, ...], one a control, in the order of names_.
  const val controls = val::global("ostrevinReadControls")(elements_);
  const auto count = static_cast<std::size_t>(controls["length"].as<int>());
  std::size_t i = 0;
  for (const auto& [id, name] : names_) {
    Copy copy;
    if (i < count) {
      const val control = controls[i];
      copy.checked = control["checked"].as<bool>();
      copy.text = control["text"].as<std::string>();
      if (IsEdit(id) && in_) copy.text = in_(copy.text);
    }
    copies_[id] = std::move(copy);
    ++i;
  }
}

void WebDialogWindow::Write() {
  // [{index, checked?, text?}, ...]: only what changed.
  val changes = val::array();
  int index = 0;
  for (const auto& [id, name] : names_) {
    const Copy& copy = copies_[id];
    if (copy.textChanged || copy.checkChanged) {
      val change = val::object();
      change.set("index", index);
      if (copy.checkChanged) change.set("checked", copy.checked);
      if (copy.textChanged) change.set("text", IsEdit(id) && out_ ? out_(copy.text) : copy.text);
      changes.call<void>("push", change);
    }
    ++index;
  }
  if (changes["length"].as<int>() > 0) val::global("ostrevinWriteControls")(elements_, changes);
}

void WebDialogWindow::Event(const std::function<void()>& handle) {
  Read();
  inEvent_ = true;
  handle();
  inEvent_ = false;
  Write();
  copies_.clear();
}

void WebDialogWindow::Click(int id) {
  Event([&] {
    const ControlTemplate* control = dialog_.Find(id);
    if (control == nullptr) return;
    if (control->kind == ControlKind::RadioButton) {
      for (const int member : dialog_.RadioGroupOf(id)) SetChecked(member, member == id);
    }
    sink_.OnWindowMessage(Message::Command, id);
  });
}

void WebDialogWindow::Command(int id) {
  Event([&] { sink_.OnWindowMessage(Message::Command, id); });
}

void WebDialogWindow::PromptClosed() {
  prompting_ = false;
  if (pendingFocus_) SetFocus(*std::exchange(pendingFocus_, std::nullopt));
}

std::string WebDialogWindow::GetText(int id) const {
  if (inEvent_) {
    const auto it = copies_.find(id);
    return it == copies_.end() ? std::string() : it->second.text;
  }
  // Outside an event (the window being made): the copy of one moment.
  auto& self = const_cast<WebDialogWindow&>(*this);  // NOLINT: the copy is a cache
  self.Read();
  const std::string text = self.copies_[id].text;
  self.copies_.clear();
  return text;
}

void WebDialogWindow::SetText(int id, std::string_view text) {
  if (!names_.contains(id)) return;
  if (!inEvent_) {
    Event([&] { SetText(id, text); });
    return;
  }
  Copy& copy = copies_[id];
  copy.text = std::string(text);
  copy.textChanged = true;
}

bool WebDialogWindow::IsChecked(int id) const {
  if (inEvent_) {
    const auto it = copies_.find(id);
    return it != copies_.end() && it->second.checked;
  }
  auto& self = const_cast<WebDialogWindow&>(*this);  // NOLINT: the copy is a cache
  self.Read();
  const bool checked = self.copies_[id].checked;
  self.copies_.clear();
  return checked;
}

void WebDialogWindow::SetChecked(int id, bool checked) {
  if (!names_.contains(id)) return;
  if (!inEvent_) {
    Event([&] { SetChecked(id, checked); });
    return;
  }
  Copy& copy = copies_[id];
  copy.checked = checked;
  copy.checkChanged = true;
}

int WebDialogWindow::GetFocus() const {
  const val active = Document()["activeElement"];
  if (!Exists(active)) return kStaticId;
  const val name = active.call<val>("getAttribute", std::string("data-control"));
  if (name.isNull()) return kStaticId;
  const std::string text = name.as<std::string>();
  for (const auto& [id, each] : names_) {
    if (each == text) return id;
  }
  return kStaticId;
}

void WebDialogWindow::SetFocus(int id) {
  if (prompting_) {
    // The prompt is about this field: mark it where the user will look.
    pendingFocus_ = id;
    const auto it = names_.find(id);
    if (it != names_.end()) val::global("ostrevinMarkRefused")(std::string(it->second), promptText_);
    return;
  }
  const auto it = names_.find(id);
  if (it == names_.end()) return;
  val::global("ostrevinFocus")(std::string(it->second));
}

void WebDialogWindow::SetBusyCursor(bool busy) {
  Document()["documentElement"]["classList"].call<void>("toggle", std::string("busy"), busy);
}

void WebDialogWindow::ShowPrompt(std::string_view text) {
  promptText_ = std::string(text);
  prompting_ = true;
  val::global("ostrevinPrompt")(promptText_);
}

Size WebDialogWindow::ClientSize() const {
  const val window = val::global("window");
  return {window["innerWidth"].as<int>(), window["innerHeight"].as<int>()};
}

void WebDialogWindow::EndModal(int result) {
  Document()["body"].call<void>("setAttribute", std::string("data-end-result"),
                                std::to_string(result));
}

std::unique_ptr<Window> WebWindowSystem::CreateDialogWindow(const DialogTemplate& dialog,
                                                            MessageSink& sink) {
  auto window = std::make_unique<WebDialogWindow>(dialog, sink, names_, in_, out_);
  current_ = window.get();
  return window;
}

}  // namespace ostrevin::fw::web
