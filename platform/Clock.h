// The local wall-clock time, for run stamps and log entries.
#pragma once

namespace pallograph {

struct TLocalTime {
  int Year = 0;    // e.g. 2026
  int Month = 0;   // 1..12
  int Day = 0;     // 1..31
  int Hour = 0;    // 0..23
  int Minute = 0;  // 0..59
  int Second = 0;  // 0..59
  int Millisecond = 0;
};

TLocalTime LocalTimeNow();

}  // namespace pallograph
