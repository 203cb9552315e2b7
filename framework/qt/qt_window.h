// The real window of a dialog, on Qt Widgets: every control of the dialog
// template laid out from dialog units with the dialog font's metrics, in
// template order (which is the tab order), its messages sent to the dialog.
//
// Keys: Enter on a push button clicks it; Enter anywhere else gives the OK
// command; Escape and the close box give the Cancel command. The window never
// closes by itself: the dialog ends it.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QRect>

#include "framework/window.h"

class QButtonGroup;
class QPainter;

namespace ostrevin::fw::qt {

// Pixels per 4 horizontal and per 8 vertical dialog units: the average width
// of a character of the dialog font, and its height.
struct DialogBaseUnits {
  int x = 0, y = 0;
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

// A rectangle in dialog units, in pixels, as the Windows dialog manager
// places a template's controls: the position and the size each scaled and
// rounded half away from zero (so the right edge may differ by a pixel from
// the rounded right edge in dialog units).
QRect ToPixels(const DialogRect& rect, DialogBaseUnits units);

// The template's font: its point size in the desktop's own family (the
// template's face is not installed outside its original platform).
QFont DialogFont(const DialogTemplate& dialog);

// The image of an icon resource, by id.
using IconLoader = std::function<QIcon(int resourceId)>;

class QtDialogWindow final : public QDialog, public Window {
 public:
  QtDialogWindow(const DialogTemplate& dialog, MessageSink& sink, IconLoader icons);
  ~QtDialogWindow() override;

  // The widget of a control, or nullptr.
  QWidget* Control(int id) const;
  DialogBaseUnits BaseUnits() const { return units_; }

  const DialogTemplate& Template() const override { return dialog_; }
  std::string GetText(int id) const override;
  void SetText(int id, std::string_view text) override;
  bool IsChecked(int id) const override;
  void SetChecked(int id, bool checked) override;
  int GetFocus() const override;
  void SetFocus(int id) override;
  void SetBusyCursor(bool busy) override;
  void ShowPrompt(std::string_view text) override;
  void SetIcon(IconHandle icon, bool big) override;
  bool IsIconic() const override { return isMinimized(); }
  Size ClientSize() const override { return {width(), height()}; }
  Size IconSize() const override;
  void EraseIconBackground() override;
  void DrawIcon(int x, int y, IconHandle icon) override;
  int RunModal() override { return exec(); }
  void EndModal(int result) override { QDialog::done(result); }

  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QWidget* MakeControl(const ControlTemplate& control, QButtonGroup*& group);

  const DialogTemplate& dialog_;
  MessageSink& sink_;
  IconLoader icons_;
  DialogBaseUnits units_;
  std::map<int, QWidget*> controls_;
  QPainter* painter_ = nullptr;
  bool busy_ = false;
};

class QtWindowSystem final : public WindowSystem {
 public:
  explicit QtWindowSystem(IconLoader icons) : icons_(std::move(icons)) {}
  std::unique_ptr<Window> CreateDialogWindow(const DialogTemplate& dialog,
                                             MessageSink& sink) override;

 private:
  IconLoader icons_;
};

}  // namespace ostrevin::fw::qt
