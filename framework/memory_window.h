// A window that lives in memory only: the controls of a dialog template with
// their texts, checked states and the focus, driven by code as a user would
// drive the real window (typing, clicking, Enter, Escape) and read back as a
// user would see it. Prompts are recorded and dismissed at once. For tests and
// fuzzing: no window system, no event loop.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/window.h"

namespace ostrevin::fw {

class MemoryWindow final : public Window {
 public:
  MemoryWindow(const DialogTemplate& dialog, MessageSink& sink);

  // --- What a user does ---
  // Replaces an edit's text, as typing after selecting all of it.
  void Type(int id, std::string_view text);
  // Clicks a button: a radio button becomes the checked one of its group, then
  // the dialog is told of the click.
  void Click(int id);
  void PressEnter() { sink_.OnWindowMessage(Message::Command, IDOK); }
  void PressEscape() { sink_.OnWindowMessage(Message::Command, IDCANCEL); }
  void Minimise(bool iconic) { iconic_ = iconic; }
  // Sends the window a message (paint, drag icon) and returns its result.
  long Send(Message message) { return sink_.OnWindowMessage(message, 0); }

  // --- What a user sees ---
  const std::vector<std::string>& Prompts() const { return prompts_; }
  bool BusyCursor() const { return busy_; }
  int BusyCursorShown() const { return busyShown_; }
  IconHandle Icon(bool big) const { return big ? bigIcon_ : smallIcon_; }
  // Icons drawn while minimised, with their positions, and background erasures.
  struct Drawn {
    int x, y;
    IconHandle icon;
  };
  const std::vector<Drawn>& DrawnIcons() const { return drawn_; }
  int IconBackgroundErased() const { return erased_; }

  // --- Window ---
  const DialogTemplate& Template() const override { return dialog_; }
  std::string GetText(int id) const override;
  void SetText(int id, std::string_view text) override;
  bool IsChecked(int id) const override;
  void SetChecked(int id, bool checked) override;
  int GetFocus() const override { return focus_; }
  void SetFocus(int id) override { focus_ = id; }
  void SetBusyCursor(bool busy) override;
  void ShowPrompt(std::string_view text) override { prompts_.emplace_back(text); }
  void SetIcon(IconHandle icon, bool big) override { (big ? bigIcon_ : smallIcon_) = icon; }
  bool IsIconic() const override { return iconic_; }
  Size ClientSize() const override;
  Size IconSize() const override { return {32, 32}; }
  void EraseIconBackground() override { ++erased_; }
  void DrawIcon(int x, int y, IconHandle icon) override { drawn_.push_back({x, y, icon}); }
  // Runs the user session the window system was given, then returns the
  // result of EndModal (IDCANCEL if the session did not end the dialog).
  int RunModal() override;
  void EndModal(int result) override { modalResult_ = result; }

  std::function<void(MemoryWindow&)> session;

 private:
  struct Control {
    std::string text;
    bool checked = false;
  };
  const Control& At(int id) const;
  Control& At(int id);

  const DialogTemplate& dialog_;
  MessageSink& sink_;
  std::map<int, Control> controls_;
  std::vector<std::string> prompts_;
  std::vector<Drawn> drawn_;
  int focus_ = kStaticId;
  bool busy_ = false;
  int busyShown_ = 0;
  bool iconic_ = false;
  int erased_ = 0;
  IconHandle bigIcon_, smallIcon_;
  std::optional<int> modalResult_;
};

// Makes MemoryWindows. `session`, when set, is what the user does while the
// dialog runs modally; `last` is the newest window, still owned by its dialog.
class MemoryWindowSystem final : public WindowSystem {
 public:
  std::unique_ptr<Window> CreateDialogWindow(const DialogTemplate& dialog,
                                             MessageSink& sink) override;

  std::function<void(MemoryWindow&)> session;
  MemoryWindow* last = nullptr;
};

}  // namespace ostrevin::fw
