// Fuzzes the job file's reader: any bytes are refused with a JSON path
// ("$..."), or read as a job that is written, read again and written again
// to the same bytes; opening it as a page's tool never crashes. Nothing is
// computed (the calculations have fuzz targets of their own).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "calc/job.h"
#include "calc/page_job.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ostrevin::calc;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ostrevin::Result<Job> job = ReadJob(text);
  if (!job) {
    if (!job.refused() || !job.why().starts_with("$")) __builtin_trap();
    return 0;
  }
  const std::string written = WriteJob(*job);
  const ostrevin::Result<Job> again = ReadJob(written);
  if (!again || !(*again == *job) || WriteJob(*again) != written) __builtin_trap();
  (void)ToolOfJob(written);
  return 0;
}
