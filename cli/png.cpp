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

}  // namespace

Result<std::string> RasteriseSvg(const std::string& svg, int width, int height) {
  static void* handle = nullptr;
  std::string why;
  if (handle == nullptr) handle = OpenRasteriser(why);
  if (handle == nullptr) return Failed("the PNG rasteriser cannot be loaded: " + why);
  const auto rasterise =
      reinterpret_cast<RasteriseFunction>(::dlsym(handle, "ostrevin_rasterise_svg"));
  if (rasterise == nullptr) return Failed("the PNG rasteriser has no entry point");
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
