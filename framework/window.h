// The window a dialog runs in, seen as controls addressed by id. A dialog
// never holds a toolkit object: it reads and writes its controls, the focus,
// the cursor and prompts through this interface only. The in-memory window of
// the tests and the real window both implement it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "framework/dialog_template.h"

namespace ostrevin::fw {

// Command ids of the dialog's own OK and Cancel commands.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// The window messages a dialog can map to handlers.
enum class Message {
  Destroy,        // the window is going away
  Paint,          // the window needs painting
  QueryDragIcon,  // which icon to show while the minimised window is dragged
  Command,        // a button was clicked (or IDOK / IDCANCEL was given)
};

// An icon resource, by id. Zero is no icon.
struct IconHandle {
  int resourceId = 0;
  friend bool operator==(IconHandle, IconHandle) = default;
};

struct Size {
  int width = 0, height = 0;
};

// Receives what happens in a window: messages and clicked buttons.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Returns the message's result (an IconHandle's id for QueryDragIcon).
  virtual long OnWindowMessage(Message message, int id) = 0;
};

class Window {
 public:
  virtual ~Window() = default;

  virtual const DialogTemplate& Template() const = 0;

  // Text of an edit, static, button or group box.
  virtual std::string GetText(int id) const = 0;
  virtual void SetText(int id, std::string_view text) = 0;

  // Checked state of a radio button. Checking one does not uncheck the others.
  virtual bool IsChecked(int id) const = 0;
  virtual void SetChecked(int id, bool checked) = 0;

  virtual int GetFocus() const = 0;
  virtual void SetFocus(int id) = 0;

  // The busy cursor over the whole window, shown or taken away.
  virtual void SetBusyCursor(bool busy) = 0;

  // A modal prompt with an OK button; returns when the user has dismissed it.
  virtual void ShowPrompt(std::string_view text) = 0;

  virtual void SetIcon(IconHandle icon, bool big) = 0;

  // For painting a minimised window.
  virtual bool IsIconic() const = 0;
  virtual Size ClientSize() const = 0;
  virtual Size IconSize() const = 0;
  virtual void EraseIconBackground() = 0;
  virtual void DrawIcon(int x, int y, IconHandle icon) = 0;

  // Runs the window modally until EndModal; returns EndModal's result.
  virtual int RunModal() = 0;
  virtual void EndModal(int result) = 0;
};

// Makes windows from dialog templates.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // A window with every control of the template, captions as the template
  // gives them, nothing checked, not yet shown. Messages go to `sink`.
  virtual std::unique_ptr<Window> CreateDialogWindow(const DialogTemplate& dialog,
                                                     MessageSink& sink) = 0;
};

}  // namespace ostrevin::fw
