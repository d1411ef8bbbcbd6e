#include "app/update_ui.h"

#include <malloc.h>

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace nimbulux {

namespace {
QString Q(const Text& t) { return QString::fromStdU16String(t); }
}  // namespace

void UpdateDialogs::Say(const Text& text, MessageKind kind) {
  if (kind == MessageKind::Error) {
    QMessageBox::critical(nullptr, QStringLiteral("Nimbulux"), Q(text));
  } else {
    QMessageBox::information(nullptr, QStringLiteral("Nimbulux"), Q(text));
  }
}

bool UpdateDialogs::Ask(const Text& text) {
  return QMessageBox::question(nullptr, QStringLiteral("Nimbulux"), Q(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void UpdateDialogs::OpenUrl(const Text& url) { QDesktopServices::openUrl(QUrl(Q(url))); }

void UpdateDialogs::SetControlFormEnabled(bool enabled) {
  if (controlForm_) controlForm_->setEnabled(enabled);
}

void UpdateDialogs::TrimWorkingSet() { malloc_trim(0); }

}  // namespace nimbulux
