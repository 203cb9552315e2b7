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

// What `ostrevin --help` prints: the window takes no arguments of its own.
constexpr std::string_view kUsage =
    "Usage: ostrevin [--help | --version]\n\n"
    "Opens the Ostrevin calculator window: the resistance to earth of a driven\n"
    "ground rod, the rod length for a wanted resistance, and the soil resistivity\n"
    "from a four-probe reading. Enter calculates; Escape or the close box closes it.\n"
    "The same calculations, groups of rods and batches are on the command line:\n"
    "ostrevin-calc (ostrevin-calc help).\n";

// --help and --version are answered on standard output without opening a
// window (or needing a display): 0 when that was the whole job, -1 otherwise.
int AnswerWithoutWindow(int argc, const char* const argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    std::string_view text;
    if (argument == "--help" || argument == "-h") text = kUsage;
    if (argument == "--version") text = "ostrevin " OSTREVIN_VERSION "\n";
    if (text.empty()) continue;
    const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
    return written == static_cast<ssize_t>(text.size()) ? 0 : 1;
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (const int answered = AnswerWithoutWindow(argc, argv); answered >= 0) return answered;
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
