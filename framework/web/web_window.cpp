#include "framework/web/web_window.h"

#include <algorithm>
#include <string>
#include <utility>

#include <emscripten/val.h>

namespace ostrevin::fw::web {

namespace {

using emscripten::val;

val Document() { return val::global("document"); }

val ElementOf(int id) {
  return Document().call<val>("querySelector", "[data-control=\"" + std::to_string(id) + "\"]");
}

val ElementAt(std::size_t index) {
  return Document().call<val>("querySelector", "[data-index=\"" + std::to_string(index) + "\"]");
}

bool Exists(const val& element) { return !element.isNull() && !element.isUndefined(); }

std::string Tag(const val& element) { return element["tagName"].as<std::string>(); }

// Where an element's text is: an input's value, a fieldset's legend, or the
// element's own text.
val TextHolder(const val& element) {
  if (Tag(element) == "FIELDSET") return element.call<val>("querySelector", std::string("legend"));
  return element;
}

std::string TextOf(const val& element) {
  if (!Exists(element)) return {};
  if (Tag(element) == "INPUT") return element["value"].as<std::string>();
  const val holder = TextHolder(element);
  return Exists(holder) ? holder["textContent"].as<std::string>() : std::string();
}

void SetTextOf(val element, std::string_view text) {
  if (!Exists(element)) return;
  const std::string value(text);
  if (Tag(element) == "INPUT") {
    element.set("value", value);
    return;
  }
  val holder = TextHolder(element);
  if (Exists(holder)) holder.set("textContent", value);
}

}  // namespace

WebDialogWindow::WebDialogWindow(const DialogTemplate& dialog, MessageSink& sink)
    : dialog_(dialog), sink_(sink) {
  Document().set("title", std::string(dialog.caption));
  const val caption = Document().call<val>("querySelector", std::string("[data-caption]"));
  if (Exists(caption)) SetTextOf(caption, dialog.caption);
  for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
    SetTextOf(ElementAt(i), dialog.controls[i].caption);
    const int id = dialog.controls[i].id;
    if (id != kStaticId) elements_.emplace(id, ElementOf(id));
  }
}

val WebDialogWindow::Element(int id) const {
  const auto it = elements_.find(id);
  return it == elements_.end() ? val::null() : it->second;
}

void WebDialogWindow::Click(int id) {
  const ControlTemplate* control = dialog_.Find(id);
  if (control == nullptr) return;
  if (control->kind == ControlKind::RadioButton) {
    // The group is the run of radio buttons this one belongs to.
    for (std::size_t first = 0; first < dialog_.controls.size(); ++first) {
      const std::vector<int> group = dialog_.RadioGroup(dialog_.controls[first].id);
      if (std::find(group.begin(), group.end(), id) == group.end()) continue;
      for (const int member : group) SetChecked(member, member == id);
      break;
    }
  }
  sink_.OnWindowMessage(Message::Command, id);
}

void WebDialogWindow::Command(int id) { sink_.OnWindowMessage(Message::Command, id); }

void WebDialogWindow::PromptClosed() {
  prompting_ = false;
  if (pendingFocus_) SetFocus(*std::exchange(pendingFocus_, std::nullopt));
}

std::string WebDialogWindow::GetText(int id) const { return TextOf(Element(id)); }

void WebDialogWindow::SetText(int id, std::string_view text) { SetTextOf(Element(id), text); }

bool WebDialogWindow::IsChecked(int id) const {
  const val element = Element(id);
  return Exists(element) &&
         element.call<val>("getAttribute", std::string("aria-checked")).as<std::string>() == "true";
}

void WebDialogWindow::SetChecked(int id, bool checked) {
  val element = Element(id);
  if (!Exists(element)) return;
  element.call<void>("setAttribute", std::string("aria-checked"),
                     std::string(checked ? "true" : "false"));
  // Arrow keys move within a radio group: the checked button is its tab stop.
  element.set("tabIndex", checked ? 0 : -1);
}

int WebDialogWindow::GetFocus() const {
  const val active = Document()["activeElement"];
  if (!Exists(active)) return kStaticId;
  const val id = active.call<val>("getAttribute", std::string("data-control"));
  return id.isNull() ? kStaticId : std::stoi(id.as<std::string>());
}

void WebDialogWindow::SetFocus(int id) {
  if (prompting_) {
    pendingFocus_ = id;
    return;
  }
  val element = Element(id);
  if (!Exists(element)) return;
  element.call<void>("focus");
  if (Tag(element) == "INPUT") element.call<void>("select");
}

void WebDialogWindow::SetBusyCursor(bool busy) {
  Document()["documentElement"]["classList"].call<void>("toggle", std::string("busy"), busy);
}

void WebDialogWindow::ShowPrompt(std::string_view text) {
  val dialog = Document().call<val>("getElementById", std::string("prompt"));
  if (!Exists(dialog)) return;
  val message = dialog.call<val>("querySelector", std::string("[data-prompt-text]"));
  if (Exists(message)) message.set("textContent", std::string(text));
  prompting_ = true;
  dialog.call<void>("showModal");
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
  auto window = std::make_unique<WebDialogWindow>(dialog, sink);
  current_ = window.get();
  return window;
}

}  // namespace ostrevin::fw::web
