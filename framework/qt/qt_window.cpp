#include "framework/qt/qt_window.h"

#include <cmath>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

namespace ostrevin::fw::qt {

namespace {

// a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A push-like radio button pressed in is drawn in the window system's
// highlight, as plainly as the Windows dialog manager's: the style's own
// pressed shade differs from the raised one by a contrast of about 1.2:1.
const QString kToggleStyle = QStringLiteral(
    "QPushButton { border: 1px solid palette(mid); border-radius: 3px; padding: 2px 8px;"
    " background: palette(button); color: palette(button-text); }"
    "QPushButton:checked { background: palette(highlight); color: palette(highlighted-text);"
    " border-color: palette(highlight); }"
    "QPushButton:focus { border: 2px solid palette(highlight); }"
    "QPushButton:checked:focus { border: 2px solid palette(button-text); }");

Qt::Alignment TextAlignment(const ControlTemplate& control) {
  return (control.Has(kCentred) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop;
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int alphabet = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(alphabet / 26 + 1) / 2, metrics.height()};
}

QRect ToPixels(const DialogRect& rect, DialogBaseUnits units) {
  return {MulDiv(rect.x, units.x, 4), MulDiv(rect.y, units.y, 8), MulDiv(rect.width, units.x, 4),
          MulDiv(rect.height, units.y, 8)};
}

QFont DialogFont(const DialogTemplate& dialog) {
  QFont font = QApplication::font();
  font.setPointSize(dialog.fontPointSize);
  return font;
}

QtDialogWindow::QtDialogWindow(const DialogTemplate& dialog, MessageSink& sink, IconLoader icons)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      dialog_(dialog),
      sink_(sink),
      icons_(std::move(icons)) {
  setWindowTitle(ToQString(dialog.caption));
  setFont(DialogFont(dialog));
  units_ = BaseUnitsOf(font());
  setFixedSize(ToPixels({0, 0, dialog.width, dialog.height}, units_).size());
  QButtonGroup* group = nullptr;
  QLabel* lastLabel = nullptr;
  for (const ControlTemplate& control : dialog.controls) {
    QWidget* widget = MakeControl(control, group);
    // An edit is named by the label before it in the template, as the
    // dialog manager names it for screen readers.
    if (auto* label = qobject_cast<QLabel*>(widget)) lastLabel = label;
    if (auto* edit = qobject_cast<QLineEdit*>(widget); edit != nullptr && lastLabel != nullptr) {
      lastLabel->setBuddy(edit);
      lastLabel = nullptr;
    }
    widget->setGeometry(ToPixels(control.rect, units_));
    widget->setFocusPolicy(control.Has(kTabStop) ? Qt::StrongFocus : Qt::NoFocus);
    if (control.id != kStaticId) {
      widget->setObjectName(QStringLiteral("control-%1").arg(control.id));
      widget->setProperty("controlId", control.id);
      controls_[control.id] = widget;
    }
  }
}

QtDialogWindow::~QtDialogWindow() { SetBusyCursor(false); }

QWidget* QtDialogWindow::MakeControl(const ControlTemplate& control, QButtonGroup*& group) {
  const QString caption = ToQString(control.caption);
  switch (control.kind) {
    case ControlKind::GroupBox: {
      auto* box = new QGroupBox(caption, this);
      box->setAlignment(control.Has(kCentred) ? Qt::AlignHCenter : Qt::AlignLeft);
      return box;
    }
    case ControlKind::RadioButton: {
      auto* button = new QPushButton(caption, this);
      button->setCheckable(true);
      button->setAutoDefault(false);
      button->setStyleSheet(kToggleStyle);
      if (control.Has(kGroup) || group == nullptr) {
        group = new QButtonGroup(this);
        group->setExclusive(true);
      }
      group->addButton(button);
      const int id = control.id;
      connect(button, &QPushButton::clicked, this,
              [this, id] { sink_.OnWindowMessage(Message::Command, id); });
      return button;
    }
    case ControlKind::PushButton: {
      auto* button = new QPushButton(caption, this);
      button->setAutoDefault(false);
      const int id = control.id;
      connect(button, &QPushButton::clicked, this,
              [this, id] { sink_.OnWindowMessage(Message::Command, id); });
      return button;
    }
    case ControlKind::Edit:
      return new QLineEdit(caption, this);
    case ControlKind::Static:
      break;
  }
  auto* label = new QLabel(this);
  label->setTextFormat(Qt::PlainText);
  label->setText(caption);
  label->setAlignment(TextAlignment(control));
  label->setWordWrap(true);
  if (control.Has(kFrame)) {
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    label->setLineWidth(2);
  }
  return label;
}

QWidget* QtDialogWindow::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

std::string QtDialogWindow::GetText(int id) const {
  QWidget* widget = Control(id);
  QString text;
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) text = edit->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
  if (auto* box = qobject_cast<QGroupBox*>(widget)) text = box->title();
  return text.toStdString();
}

void QtDialogWindow::SetText(int id, std::string_view text) {
  QWidget* widget = Control(id);
  const QString value = ToQString(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(value);
  if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(value);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(value);
  if (auto* box = qobject_cast<QGroupBox*>(widget)) box->setTitle(value);
}

bool QtDialogWindow::IsChecked(int id) const {
  auto* button = qobject_cast<QAbstractButton*>(Control(id));
  return button != nullptr && button->isChecked();
}

void QtDialogWindow::SetChecked(int id, bool checked) {
  auto* button = qobject_cast<QAbstractButton*>(Control(id));
  if (button == nullptr || button->isChecked() == checked) return;
  // An exclusive group refuses to uncheck its checked button: lift the rule
  // for the change, as the window system's radio buttons allow it.
  QButtonGroup* group = button->group();
  if (group != nullptr) group->setExclusive(false);
  button->setChecked(checked);
  if (group != nullptr) group->setExclusive(true);
}

int QtDialogWindow::GetFocus() const {
  const QWidget* focus = focusWidget();
  const QVariant id = focus != nullptr ? focus->property("controlId") : QVariant();
  return id.isValid() ? id.toInt() : kStaticId;
}

void QtDialogWindow::SetFocus(int id) {
  if (QWidget* widget = Control(id)) {
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
  }
}

void QtDialogWindow::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtDialogWindow::ShowPrompt(std::string_view text) {
  QMessageBox box(QMessageBox::Warning, windowTitle(), ToQString(text), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.setObjectName(QStringLiteral("prompt"));
  box.exec();
}

void QtDialogWindow::SetIcon(IconHandle icon, bool /*big*/) {
  // One window icon serves both sizes: it holds every size of the image.
  if (icons_ && icon.resourceId != 0) setWindowIcon(icons_(icon.resourceId));
}

Size QtDialogWindow::IconSize() const {
  const int side = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
  return {side, side};
}

void QtDialogWindow::EraseIconBackground() {
  if (painter_ != nullptr) painter_->fillRect(rect(), palette().window());
}

void QtDialogWindow::DrawIcon(int x, int y, IconHandle icon) {
  if (painter_ == nullptr || !icons_) return;
  const Size size = IconSize();
  painter_->drawPixmap(x, y, icons_(icon.resourceId).pixmap(size.width, size.height));
}

void QtDialogWindow::reject() { sink_.OnWindowMessage(Message::Command, IDCANCEL); }

void QtDialogWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QDialog::keyPressEvent(event);
    return;
  }
  auto* button = qobject_cast<QPushButton*>(focusWidget());
  if (button != nullptr && !button->isCheckable()) {
    button->click();
  } else {
    sink_.OnWindowMessage(Message::Command, IDOK);
  }
}

void QtDialogWindow::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter_ = &painter;
  sink_.OnWindowMessage(Message::Paint, 0);
  painter_ = nullptr;
}

std::unique_ptr<Window> QtWindowSystem::CreateDialogWindow(const DialogTemplate& dialog,
                                                           MessageSink& sink) {
  return std::make_unique<QtDialogWindow>(dialog, sink, icons_);
}

}  // namespace ostrevin::fw::qt
