// The window of a dialog in a web page, through WebAssembly: the page holds
// one element per control of the template, found by the control's name in a
// `data-control` attribute (data-control="IDC_RHO"; statics without an id by
// their place in the template, `data-index`); its layout is the page's own.
// Captions come from the template. The page's script passes clicks and keys
// in (Click, Command, PromptClosed).
//
// One call each way an event: the controls' texts and checks are read from
// the page in one call when a click or key comes in (a list of {checked,
// text}), the handlers work on that copy, and what they changed is written
// back in one call when they are done (a list of {index, checked, text}). An edit's text may be translated on the way (the page's decimal
// comma in, out again).
//
// A page cannot block: ShowPrompt opens a modal <dialog> and returns; a focus
// asked for meanwhile is given when the user dismisses it, and that field is
// marked as the one refused (aria-invalid, the message beside it). A page
// cannot close itself either: EndModal records the result on the page
// (data-end-result) and the page stays. No toolkit; emscripten's val only.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <emscripten/val.h>

#include "framework/window.h"

namespace ostrevin::fw::web {

// The name a control id has in the page's markup.
using ControlNamer = std::function<std::string_view(int id)>;
// An edit's text from the page to the program, and back.
using TextTranslator = std::function<std::string(std::string_view text)>;

class WebDialogWindow final : public Window {
 public:
  WebDialogWindow(const DialogTemplate& dialog, MessageSink& sink, const ControlNamer& names,
                  TextTranslator in, TextTranslator out);

  // From the page: a button clicked (a radio button is checked within its
  // group first, as the window system's automatic radio buttons are), a
  // command from the keyboard (IDOK on Enter in an edit, IDCANCEL on
  // Escape), and the prompt dismissed.
  void Click(int id);
  void Command(int id);
  void PromptClosed();

  const DialogTemplate& Template() const override { return dialog_; }
  std::string GetText(int id) const override;
  void SetText(int id, std::string_view text) override;
  bool IsChecked(int id) const override;
  void SetChecked(int id, bool checked) override;
  int GetFocus() const override;
  void SetFocus(int id) override;
  void SetBusyCursor(bool busy) override;
  void ShowPrompt(std::string_view text) override;
  void SetIcon(IconHandle /*icon*/, bool /*big*/) override {}  // the page's own icons
  bool IsIconic() const override { return false; }
  Size ClientSize() const override;
  Size IconSize() const override { return {32, 32}; }
  void EraseIconBackground() override {}
  void DrawIcon(int /*x*/, int /*y*/, IconHandle /*icon*/) override {}
  int RunModal() override { return 0; }  // the page runs on: see the class comment
  void EndModal(int result) override;

 private:
  // The page's state of a control, as the handlers of one event see it.
  struct Copy {
    std::string text;
    bool checked = false;
    bool textChanged = false, checkChanged = false;
  };
  // Reads every control in one call, runs `handle`, writes back the changes in one call.
  void Event(const std::function<void()>& handle);
  void Read();
  void Write();
  bool IsEdit(int id) const;

  const DialogTemplate& dialog_;
  MessageSink& sink_;
  std::map<int, std::string> names_;  // control id -> its name in the markup
  emscripten::val elements_;          // the controls, in the order of names_
  std::map<int, Copy> copies_;        // during an event
  bool inEvent_ = false;
  bool prompting_ = false;
  std::string promptText_;
  std::optional<int> pendingFocus_;
  TextTranslator in_, out_;
};

class WebWindowSystem final : public WindowSystem {
 public:
  // `in` and `out` translate an edit's text from the page and to it.
  WebWindowSystem(ControlNamer names, TextTranslator in, TextTranslator out)
      : names_(std::move(names)), in_(std::move(in)), out_(std::move(out)) {}
  std::unique_ptr<Window> CreateDialogWindow(const DialogTemplate& dialog,
                                             MessageSink& sink) override;
  // The window made last (the page has one).
  WebDialogWindow* Current() const { return current_; }

 private:
  ControlNamer names_;
  TextTranslator in_, out_;
  WebDialogWindow* current_ = nullptr;
};

}  // namespace ostrevin::fw::web
