#include "platform/CpuLimit.h"

#include <cstdint>

#include "platform/IntegerText.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

unsigned CpusFromQuota(int64_t quota, int64_t period) {
  if (quota <= 0 || period <= 0) return 0;
  const int64_t cpus = (quota + period - 1) / period;
  return cpus > 4096 ? 4096u : static_cast<unsigned>(cpus);
}

}  // namespace

unsigned CpusFromCpuMax(std::string_view text) {
  const std::string line = Trim(text);
  const size_t blank = line.find(' ');
  if (blank == std::string::npos) return 0;
  int64_t quota = 0;
  int64_t period = 0;
  if (!ParseDecimal(std::string_view(line).substr(0, blank), quota) ||
      !ParseDecimal(Trim(std::string_view(line).substr(blank + 1)), period)) {
    return 0;  // "max ..." is no limit
  }
  return CpusFromQuota(quota, period);
}

unsigned CpusFromCfsQuota(std::string_view quota, std::string_view period) {
  int64_t q = 0;
  int64_t p = 0;
  if (!ParseDecimal(Trim(quota), q) || !ParseDecimal(Trim(period), p)) return 0;
  return CpusFromQuota(q, p);
}

std::string_view CgroupV2Path(std::string_view procSelfCgroup) {
  size_t start = 0;
  while (start < procSelfCgroup.size()) {
    size_t end = procSelfCgroup.find('\n', start);
    if (end == std::string_view::npos) end = procSelfCgroup.size();
    const std::string_view line = procSelfCgroup.substr(start, end - start);
    if (line.substr(0, 3) == "0::") return line.substr(3);
    start = end + 1;
  }
  return {};
}

}  // namespace pallograph
