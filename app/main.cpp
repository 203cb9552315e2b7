// The calculator's entry point: a Qt application whose one window is the
// calculator dialog, run by the application object.
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

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ostrevin"));
  QApplication::setApplicationVersion(QStringLiteral(OSTREVIN_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("ostrevin"));
  QApplication::setWindowIcon(LoadIconResource(IDR_MAINFRAME));
  QtAppHost host;
  return ostrevin::theApp.Run(host);
}
