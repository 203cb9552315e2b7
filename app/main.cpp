// The calculator's entry point: a Qt application whose one window is the
// calculator dialog, run by the application object.
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include <QApplication>
#include <QIcon>
#include <QString>

#include "app/kelmora_app.h"
#include "framework/qt/qt_window.h"
#include "res/resource.h"

namespace {

QIcon LoadIconResource(int id) {
  QIcon icon;
  if (id != IDR_MAINFRAME) return icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/ostrevin-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

class QtAppHost final : public ostrevin::fw::AppHost {
 public:
  ostrevin::fw::WindowSystem& Windows() override { return windows_; }
  // Settings would live under this organisation; none are ever written.
  void SetProfileName(std::string_view name) override {
    QApplication::setOrganizationName(
        QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  }

 private:
  ostrevin::fw::qt::QtWindowSystem windows_{&LoadIconResource};
};

QtMessageHandler qtDefaultHandler = nullptr;
QString firstPlatformNote;

// While the platform starts, Qt ends the program with an abort when none can
// (no display, a missing plugin), after notes of its own: say why in one line
// and exit with status 1 instead.
void OnStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (QByteArray(context.category).startsWith("qt.qpa")) {
      if (firstPlatformNote.isEmpty()) firstPlatformNote = message.trimmed();
    } else if (qtDefaultHandler != nullptr) {
      qtDefaultHandler(type, context, message);
    }
    return;
  }
  const QString reason =
      firstPlatformNote.isEmpty() ? message.section('\n', 0, 0).trimmed() : firstPlatformNote;
  const QByteArray line = "ostrevin: cannot open the window: " + reason.toUtf8() +
                          " (run it in a desktop session, or under Xvfb: xvfb-run ostrevin)\n";
  [[maybe_unused]] const ssize_t written =
      ::write(STDERR_FILENO, line.constData(), static_cast<std::size_t>(line.size()));
  std::_Exit(1);
}

}  // namespace

int main(int argc, char* argv[]) {
  qtDefaultHandler = qInstallMessageHandler(OnStartMessage);
  QApplication application(argc, argv);
  qInstallMessageHandler(qtDefaultHandler);
  QApplication::setApplicationName(QStringLiteral("Ostrevin"));
  QApplication::setApplicationVersion(QStringLiteral(OSTREVIN_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.ostrevin.Ostrevin"));
  QApplication::setWindowIcon(LoadIconResource(IDR_MAINFRAME));
  QtAppHost host;
  return ostrevin::theApp.Run(host);
}
