// Reading the CPU limits a Linux process runs under: the cgroup CPU quota files. Pure text rules,
// so that they can be tested anywhere; the POSIX processor count (platform/System.h) applies them
// together with the process's CPU affinity mask.
#pragma once

#include <string_view>

namespace pallograph {

// cgroup v2 "cpu.max" ("max 100000", or "<quota> <period>"): the CPUs the quota allows, rounded
// up; 0 for no limit or text that is not such a line.
unsigned CpusFromCpuMax(std::string_view text);
// cgroup v1 "cpu.cfs_quota_us" and "cpu.cfs_period_us": the same; 0 for -1 (no limit) or bad text.
unsigned CpusFromCfsQuota(std::string_view quota, std::string_view period);
// The cgroup v2 path of this process from the text of /proc/self/cgroup (its "0::" line), or ""
// when there is none.
std::string_view CgroupV2Path(std::string_view procSelfCgroup);

}  // namespace pallograph
