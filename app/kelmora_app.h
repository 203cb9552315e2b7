// The calculator application: opens the calculator dialog modally and ends
// when it closes.
#pragma once

#include "framework/win_app.h"

namespace ostrevin {

class CKelmoraApp : public fw::CWinApp {
 public:
  // Names the profile key, runs the calculator dialog until it is closed and
  // returns false, so that the program ends.
  bool InitInstance() override;
};

// The one application object.
extern CKelmoraApp theApp;

}  // namespace ostrevin
