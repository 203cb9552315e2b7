// The PNG rasteriser, a library of its own loaded by ostrevin-calc only for
// `--png`: Qt's SVG renderer draws the chart's SVG into a picture. It needs
// no display (Qt's offscreen platform, whatever QT_QPA_PLATFORM says).
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace {

// Qt's fatal errors (no platform plugin) end the program with one line and
// exit status 1 instead of an abort; its notes are not for a command-line user.
void QtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg) return;
  const std::string line = "ostrevin-calc: cannot draw: " + message.toStdString() + "\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
  std::_Exit(1);
}

void Report(const char* text, char* error, std::size_t size) {
  if (size == 0) return;
  std::strncpy(error, text, size - 1);
  error[size - 1] = '\0';
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int ostrevin_rasterise_svg(
    const char* svg, std::size_t size, int width, int height, char** png, std::size_t* pngSize,
    char* error, std::size_t errorSize) {
  qInstallMessageHandler(QtMessage);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "ostrevin-calc";
  static char* argv[] = {name, nullptr};
  static const QGuiApplication application(argc, argv);
  QSvgRenderer renderer(QByteArray(svg, static_cast<qsizetype>(size)));
  if (!renderer.isValid()) {
    Report("the drawing is not valid SVG", error, errorSize);
    return 1;
  }
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    Report("the picture could not be encoded as PNG", error, errorSize);
    return 1;
  }
  *png = static_cast<char*>(std::malloc(static_cast<std::size_t>(bytes.size())));  // NOLINT
  if (*png == nullptr) {
    Report("out of memory", error, errorSize);
    return 1;
  }
  std::copy_n(bytes.constData(), bytes.size(), *png);
  *pngSize = static_cast<std::size_t>(bytes.size());
  return 0;
}
