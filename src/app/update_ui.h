// The program's side of the update check: message boxes titled "Nimbulux", the
// question before the download, the browser, and the control form's enabled state.
#pragma once

#include <QWidget>

#include "net/update_check.h"

namespace nimbulux {

class UpdateDialogs : public UpdateUi {
 public:
  explicit UpdateDialogs(QWidget* controlForm) : controlForm_(controlForm) {}
  void Say(const Text& text, MessageKind kind) override;
  bool Ask(const Text& text) override;
  void OpenUrl(const Text& url) override;
  void SetControlFormEnabled(bool enabled) override;
  void TrimWorkingSet() override;

 private:
  QWidget* controlForm_;
};

}  // namespace nimbulux
