// Data exchange between a dialog's members and its controls.
//
// Saving (controls into members) reads and checks each control in the order
// the dialog's exchange routine names them. The first control that fails ends
// the pass: the user is prompted, the focus goes to that control, and every
// later exchange call of the pass does nothing. A member whose range check
// fails keeps the value it had before the pass read it. Loading (members into
// controls) writes every control and checks nothing.
#pragma once

#include <string>

#include "framework/window.h"

namespace ostrevin::fw {

class CDataExchange {
 public:
  CDataExchange(Window& window, bool saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), window_(window) {}

  const bool m_bSaveAndValidate;

  Window& window() const { return window_; }
  bool Failed() const { return failed_; }

  // Ends the pass: shows the prompt and puts the focus on the control.
  void Fail(int controlId, std::string_view prompt);

  // The last double read by DDX_Text, for the range check that follows it.
  void NoteNumber(int controlId, double* member, double previous);
  int lastControl() const { return lastControl_; }
  double* lastMember() const { return lastMember_; }
  double lastPrevious() const { return lastPrevious_; }

 private:
  Window& window_;
  bool failed_ = false;
  int lastControl_ = kStaticId;
  double* lastMember_ = nullptr;
  double lastPrevious_ = 0;
};

// An edit's text as a number; text that is not a number fails the pass with
// "Please enter a number." Loading writes the shortest exact text.
void DDX_Text(CDataExchange* pDX, int id, double& value);

// A control's text, copied as it is.
void DDX_Text(CDataExchange* pDX, int id, std::string& value);

// The index, from 0, of the checked button of the radio group starting at id
// (-1 when none is); loading checks the button at the index and unchecks the
// rest of the group.
void DDX_Radio(CDataExchange* pDX, int id, int& value);

// Saving only: a value outside [min, max] fails the pass with "Please enter a
// number between MIN and MAX." and puts back the member's previous value.
// Must follow the DDX_Text of that member.
void DDV_MinMaxDouble(CDataExchange* pDX, double& value, double min, double max);

}  // namespace ostrevin::fw
