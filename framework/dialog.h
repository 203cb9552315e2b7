// The base of a dialog: a record of members exchanged with the controls of a
// window built from a dialog template, and a message map that sends each
// window message or clicked button to one handler.
//
// A dialog does not own a toolkit: a WindowSystem makes its window. DoModal
// runs it until EndDialog; Create opens it without a modal loop, so that code
// (tests) can drive the window and read it back.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

#include "framework/data_exchange.h"
#include "framework/resources.h"
#include "framework/window.h"

namespace ostrevin::fw {

class CDialog;

// One row of a message map: a message (for Command, the clicked control's id)
// and its handler.
struct MessageEntry {
  Message message;
  int id;
  long (*handler)(CDialog&);
};

namespace detail {
template <class T>
struct MemberFunction;
template <class C, class R>
struct MemberFunction<R (C::*)()> {
  using Class = C;
  using Result = R;
};
template <class C, class R>
struct MemberFunction<R (C::*)() const> : MemberFunction<R (C::*)()> {};
}  // namespace detail

// The handler of a message-map row: calls the member function Method of the
// dialog that received the message. Its result, if any, is the message's.
template <auto Method>
long Handler(CDialog& dialog) {
  using Traits = detail::MemberFunction<decltype(Method)>;
  auto& self = static_cast<typename Traits::Class&>(dialog);
  if constexpr (std::is_void_v<typename Traits::Result>) {
    (self.*Method)();
    return 0;
  } else if constexpr (std::is_same_v<typename Traits::Result, IconHandle>) {
    return (self.*Method)().resourceId;
  } else {
    return static_cast<long>((self.*Method)());
  }
}

class CDialog : public MessageSink {
 public:
  CDialog(int templateId, const ResourceModule& resources)
      : templateId_(templateId), resources_(resources) {}
  ~CDialog() override;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Opens the window, runs OnInitDialog and the modal loop until EndDialog.
  // Returns EndDialog's result, or -1 when the template is not in the
  // resources.
  int DoModal(WindowSystem& system);

  // Opens the window and runs OnInitDialog, without a modal loop. False when
  // the template is not in the resources.
  bool Create(WindowSystem& system);

  // Ends the dialog with the given result.
  void EndDialog(int result);
  std::optional<int> EndResult() const { return endResult_; }

  // Saving: controls into members, with the checks; false after a failure.
  // Loading: members into controls.
  bool UpdateData(bool saveAndValidate = true);

  void BeginWaitCursor();
  void EndWaitCursor();

  Window* GetWindow() const { return window_.get(); }
  const ResourceModule& Resources() const { return resources_; }

  // The message map's handler for the message, or the base's own handling:
  // IDOK and IDCANCEL run OnOK and OnCancel, the rest does nothing.
  long OnWindowMessage(Message message, int id) override;

 protected:
  // Loads the record into the controls. Returning true puts the focus on the
  // first tab stop.
  virtual bool OnInitDialog();
  virtual void DoDataExchange(CDataExchange* pDX);
  // Saves and checks the whole record; ends the dialog with IDOK if it passes.
  virtual void OnOK();
  // Ends the dialog with IDCANCEL.
  virtual void OnCancel();
  virtual std::span<const MessageEntry> GetMessageMap() const { return {}; }

  // Default handlers, for message maps to name.
  void OnPaint() {}
  void OnDestroy() {}

  std::string LoadString(int id) const { return fw::LoadString(resources_, id); }

 private:
  int templateId_;
  const ResourceModule& resources_;
  std::unique_ptr<Window> window_;
  std::optional<int> endResult_;
};

}  // namespace ostrevin::fw
