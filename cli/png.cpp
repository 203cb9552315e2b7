#include "cli/png.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstddef>
#include <cstdlib>

namespace ostrevin::calc {

namespace {

// The rasteriser's entry point (png_rasteriser.cpp).
using RasteriseFunction = int (*)(const char* svg, std::size_t size, int width, int height,
                                  char** png, std::size_t* pngSize, char* error,
                                  std::size_t errorSize);

std::string ProgramFolder() {
  std::array<char, PATH_MAX> path{};
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length <= 0) return ".";
  const std::string exe(path.data(), static_cast<std::size_t>(length));
  return exe.substr(0, exe.rfind('/'));
}

// Beside the program (the build tree), then where the package puts it,
// relative to the program so that an unpacked tree works as well.
void* OpenRasteriser(std::string& error) {
  const std::string folder = ProgramFolder();
  for (const std::string& path :
       {folder + "/" OSTREVIN_PNG_MODULE, folder + "/" OSTREVIN_PNG_MODULE_FROM_BIN}) {
    if (void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
    const char* why = ::dlerror();
    if (error.empty() || ::access(path.c_str(), F_OK) == 0) error = why != nullptr ? why : path;
  }
  return nullptr;
}

using PdfFunction = int (*)(const char* html, std::size_t size, const char* const* svgs,
                           const std::size_t* svgSizes, std::size_t drawings, int letter,
                           const char* title, char** pdf, std::size_t* pdfSize, char* error,
                           std::size_t errorSize);

// The drawing module's entry point by name, or why it cannot be had.
Result<void*> Entry(const char* name, const char* what) {
  static void* handle = nullptr;
  std::string why;
  if (handle == nullptr) handle = OpenRasteriser(why);
  if (handle == nullptr) {
    return Failed(std::string(what) + " cannot be loaded (it needs Qt's SVG library, Debian's "
                  "package libqt6svg6): " + why);
  }
  void* entry = ::dlsym(handle, name);
  if (entry == nullptr) return Failed(std::string(what) + " has no entry point " + name);
  return entry;
}

}  // namespace

Result<std::string> HtmlToPdf(const std::string& html, const std::vector<std::string>& svgs,
                              bool letter, const std::string& title) {
  const Result<void*> entry = Entry("ostrevin_write_pdf", "the PDF writer");
  OSTREVIN_PASS_ON(entry);
  const auto write = reinterpret_cast<PdfFunction>(*entry);
  std::vector<const char*> data;
  std::vector<std::size_t> sizes;
  for (const std::string& svg : svgs) {
    data.push_back(svg.data());
    sizes.push_back(svg.size());
  }
  char* bytes = nullptr;
  std::size_t size = 0;
  std::array<char, 256> error{};
  if (write(html.data(), html.size(), data.data(), sizes.data(), svgs.size(), letter ? 1 : 0,
            title.c_str(), &bytes, &size, error.data(), error.size()) != 0) {
    return Failed(error.data());
  }
  std::string pdf(bytes, size);
  std::free(bytes);  // NOLINT(cppcoreguidelines-no-malloc): the module's own allocation
  return pdf;
}

Result<std::string> RasteriseSvg(const std::string& svg, int width, int height) {
  const Result<void*> entry = Entry("ostrevin_rasterise_svg", "the PNG rasteriser");
  OSTREVIN_PASS_ON(entry);
  const auto rasterise = reinterpret_cast<RasteriseFunction>(*entry);
  char* bytes = nullptr;
  std::size_t size = 0;
  std::array<char, 256> error{};
  if (rasterise(svg.data(), svg.size(), width, height, &bytes, &size, error.data(), error.size()) !=
      0) {
    return Failed(error.data());
  }
  std::string png(bytes, size);
  std::free(bytes);  // NOLINT(cppcoreguidelines-no-malloc): the rasteriser's own allocation
  return png;
}

}  // namespace ostrevin::calc
