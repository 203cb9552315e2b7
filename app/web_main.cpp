// The calculator's entry point in a web page: the same form in the page's
// window. A page has no modal loop, so the form is opened (Create) and lives
// as long as the page; the page's script passes clicks, keys and the prompt's
// dismissal in through the functions bound here.
#include <emscripten/bind.h>

#include "form/calculator_dlg.h"
#include "framework/web/web_window.h"

namespace {

ostrevin::fw::web::WebWindowSystem windows;
ostrevin::CKelmoraDlg calculator;

ostrevin::fw::web::WebDialogWindow* Window() { return windows.Current(); }

void Click(int id) {
  if (Window() != nullptr) Window()->Click(id);
}
void Command(int id) {
  if (Window() != nullptr) Window()->Command(id);
}
void PromptClosed() {
  if (Window() != nullptr) Window()->PromptClosed();
}

}  // namespace

EMSCRIPTEN_BINDINGS(ostrevin) {
  emscripten::function("click", &Click);
  emscripten::function("command", &Command);
  emscripten::function("promptClosed", &PromptClosed);
}

int main() {
  calculator.Create(windows);
  return 0;
}
