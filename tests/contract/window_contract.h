// The window contract: the scenarios every real window of the framework
// passes, written once and instantiated for each window system (Qt, Win32).
// A driver gives the scenarios what only a real window has: typing and
// clicking the way the window system delivers them, its own keyboard
// handling, its prompts, its tab order and its layout.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "framework/window.h"

namespace ostrevin::contract {

struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

class WindowDriver {
 public:
  virtual ~WindowDriver() = default;
  virtual fw::WindowSystem& System() = 0;
  // Shows a window made by System() and waits until it is on the screen.
  virtual void Show(fw::Window& window) = 0;
  // Replaces an edit's text as typing does.
  virtual void Type(fw::Window& window, int id, std::string_view text) = 0;
  virtual void Click(fw::Window& window, int id) = 0;
  // Puts the focus on a control and presses a key there; the window system's
  // own keyboard handling decides what it means.
  virtual void PressEnter(fw::Window& window, int id) = 0;
  virtual void PressEscape(fw::Window& window) = 0;
  virtual void CloseBox(fw::Window& window) = 0;
  virtual bool IsVisible(fw::Window& window) = 0;
  virtual bool BusyCursorShown() = 0;
  // The prompts shown (and dismissed with their OK button) since the last call.
  virtual std::vector<std::string> TakePrompts() = 0;
  // The controls the Tab key visits, from the first, once round.
  virtual std::vector<int> TabOrder(fw::Window& window) = 0;
  // Every control's rectangle in the window's client area, in template
  // order; and the template's rectangles as the dialog manager converts
  // dialog units: position and size each through MapDialogRect (or the font
  // metrics that stand for it).
  virtual std::vector<PixelRect> ControlRects(fw::Window& window) = 0;
  virtual std::vector<PixelRect> TemplateRects(fw::Window& window) = 0;
};

using DriverFactory = std::unique_ptr<WindowDriver> (*)();

class WindowContract : public testing::TestWithParam<DriverFactory> {
 protected:
  void SetUp() override { driver = GetParam()(); }
  std::unique_ptr<WindowDriver> driver;
};

}  // namespace ostrevin::contract
