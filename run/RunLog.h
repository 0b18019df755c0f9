// The run log: an optional diagnostic file that accumulates one section per run. Each section
// opens with a separator line and a header, holds one timestamped entry per line
// ("yyyy-mm-dd hh:nn:ss.zzz: message", local time) and ends with an empty line. Lines end in
// the system's line break (CR LF on Windows, LF on POSIX), also those inside a message. A file
// that cannot be opened turns the log off; IsOpen() tells the run. Main thread only: workers hand
// their text to the main thread first.
#pragma once

#include <ctime>
#include <string>

#include "platform/File.h"
#include "platform/LogSink.h"

namespace pallograph {

class TLog {
 public:
  // Opens `fileName` (a program path; created when missing) for appending and writes the
  // separator line and `header`. Never throws; on failure the log stays without a file.
  TLog(const std::string& fileName, const std::string& header);
  // Ends the section with an empty line and closes the file.
  ~TLog();
  TLog(const TLog&) = delete;
  TLog& operator=(const TLog&) = delete;

  // Writes one entry and flushes it at once; does nothing without a file.
  void WriteLine(const std::string& message);
  bool IsOpen() const { return file_.IsOpen(); }
  // A sink that forwards to WriteLine; valid while this log lives.
  LogSink Sink();

 private:
  TFile file_;
};

// The sink of a log that may be absent: empty for a null log, which receivers take as "no log".
LogSink MakeLogSink(TLog* log);

// The entry prefix for a moment: "yyyy-mm-dd hh:nn:ss.zzz: " in local time.
std::string LogTimestamp(std::time_t seconds, int milliseconds);

}  // namespace pallograph
