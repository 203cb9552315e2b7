// The window of a dialog in a web page, through WebAssembly: the page holds
// one element per control of the template, found by its control id in a
// `data-control` attribute (statics without an id by their place in the
// template, `data-index`); its layout is the page's own. Captions come from
// the template. The page's script passes clicks and keys in (Click, Command,
// PromptClosed); everything else is read and written on the elements.
//
// A page cannot block: ShowPrompt opens a modal <dialog> and returns; a focus
// asked for meanwhile is given when the user dismisses it. A page cannot
// close itself either: EndModal records the result on the page
// (data-end-result) and the page stays. No toolkit; emscripten's val only.
// The page's elements are found once, when the window is made.
#pragma once

#include <map>
#include <memory>
#include <optional>

#include <emscripten/val.h>

#include "framework/window.h"

namespace ostrevin::fw::web {

class WebDialogWindow final : public Window {
 public:
  WebDialogWindow(const DialogTemplate& dialog, MessageSink& sink);

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
  emscripten::val Element(int id) const;

  const DialogTemplate& dialog_;
  MessageSink& sink_;
  std::map<int, emscripten::val> elements_;  // found once, by control id
  bool prompting_ = false;
  std::optional<int> pendingFocus_;
};

class WebWindowSystem final : public WindowSystem {
 public:
  std::unique_ptr<Window> CreateDialogWindow(const DialogTemplate& dialog,
                                             MessageSink& sink) override;
  // The window made last (the page has one).
  WebDialogWindow* Current() const { return current_; }

 private:
  WebDialogWindow* current_ = nullptr;
};

}  // namespace ostrevin::fw::web
