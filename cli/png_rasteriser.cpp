// The drawing module, a library of its own loaded by ostrevin-calc only for
// `--png` and a report's `--pdf`: Qt's SVG renderer draws the chart's SVG
// into a picture, and Qt's text document lays out the report's pages. It
// needs no display (Qt's offscreen platform, whatever QT_QPA_PLATFORM says).
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ranges>
#include <string>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QAbstractTextDocumentLayout>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextObjectInterface>

#include <vector>

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

// The report as a PDF: the HTML laid out by Qt's text document on pages of
// the paper chosen, each drawing (an <img src="drawing:N">) drawn by the SVG
// renderer as vectors, "Page X of Y" under each page. Text stays text (fonts
// embedded), so that it can be selected and searched.
namespace {

constexpr int kSvgObject = QTextFormat::UserObject + 1;
constexpr int kSvgData = QTextFormat::UserProperty + 1;

class SvgObject : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)

 public:
  QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& format) override {
    return format.toCharFormat().property(kSvgData + 1).toSizeF();
  }
  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                  const QTextFormat& format) override {
    QSvgRenderer renderer(format.property(kSvgData).toByteArray());
    renderer.render(painter, rect);
  }
};

// Each placeholder image replaced by its drawing, `width` wide at most.
void PlaceDrawings(QTextDocument& document, const std::vector<QByteArray>& drawings, double width,
                   double dots) {
  struct Place {
    int position;
    int index;
    QSizeF size;
  };
  std::vector<Place> places;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (!format.isImageFormat()) continue;
      const QTextImageFormat image = format.toImageFormat();
      if (!image.name().startsWith("drawing:")) continue;
      const int index = image.name().mid(8).toInt();
      if (index < 0 || static_cast<std::size_t>(index) >= drawings.size()) continue;
      // Drawn at their size on a screen of 96 dots an inch, narrowed to the page.
      const double scale = std::min(dots / 96, width / std::max(1.0, image.width()));
      places.push_back({fragment.position(), index, QSizeF(image.width() * scale, image.height() * scale)});
    }
  }
  // From the end, so that the positions before stay where they are.
  for (std::size_t i = places.size(); i-- > 0;) {
    const Place& place = places[i];
    QTextCursor cursor(&document);
    cursor.setPosition(place.position);
    cursor.setPosition(place.position + 1, QTextCursor::KeepAnchor);
    QTextCharFormat svg;
    svg.setObjectType(kSvgObject);
    svg.setProperty(kSvgData, drawings[static_cast<std::size_t>(place.index)]);
    svg.setProperty(kSvgData + 1, place.size);
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), svg);
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int ostrevin_write_pdf(
    const char* html, std::size_t size, const char* const* svgs, const std::size_t* svgSizes,
    std::size_t drawings, int letter, const char* title, char** pdf, std::size_t* pdfSize,
    char* error, std::size_t errorSize) {
  qInstallMessageHandler(QtMessage);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "ostrevin-calc";
  static char* argv[] = {name, nullptr};
  static const QGuiApplication application(argc, argv);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(letter != 0 ? QPageSize::Letter : QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(QString::fromUtf8(title));
    writer.setCreator("Ostrevin");
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    SvgObject handler;
    document.documentLayout()->registerHandler(kSvgObject, &handler);
    QFont font("DejaVu Sans");
    font.setPointSizeF(9.5);
    document.setDefaultFont(font);
    document.setHtml(QString::fromUtf8(html, static_cast<qsizetype>(size)));
    std::vector<QByteArray> svg;
    for (std::size_t i = 0; i < drawings; ++i) {
      svg.emplace_back(svgs[i], static_cast<qsizetype>(svgSizes[i]));
    }
    const QRectF page = writer.pageLayout().paintRectPixels(writer.resolution());
    const double footer = writer.resolution() * 0.3;  // inches kept for the page's number
    PlaceDrawings(document, svg, page.width(), writer.resolution());
    document.setPageSize(QSizeF(page.width(), page.height() - footer));
    const int pages = document.pageCount();
    QPainter painter(&writer);
    QFont small = font;
    small.setPointSizeF(8);
    for (int p = 0; p < pages; ++p) {
      if (p > 0) writer.newPage();
      const double top = p * (page.height() - footer);
      painter.save();
      painter.translate(0, -top);
      document.drawContents(&painter, QRectF(0, top, page.width(), page.height() - footer));
      painter.restore();
      painter.setFont(small);
      painter.drawText(QRectF(0, page.height() - footer * 0.8, page.width(), footer * 0.8),
                       Qt::AlignRight | Qt::AlignVCenter,
                       QString("%1 · Page %2 of %3").arg(QString::fromUtf8(title)).arg(p + 1).arg(pages));
    }
    if (!painter.end()) {
      Report("the PDF could not be drawn", error, errorSize);
      return 1;
    }
  }
  *pdf = static_cast<char*>(std::malloc(static_cast<std::size_t>(bytes.size())));  // NOLINT
  if (*pdf == nullptr) {
    Report("out of memory", error, errorSize);
    return 1;
  }
  std::copy_n(bytes.constData(), bytes.size(), *pdf);
  *pdfSize = static_cast<std::size_t>(bytes.size());
  return 0;
}

#include "png_rasteriser.moc"
