#include "run/RunLog.h"

#include <chrono>
#include <cstdio>
#include <mutex>

#include "platform/TextLineEnd.h"

namespace pallograph {

std::string LogTimestamp(std::time_t seconds, int milliseconds) {
  std::tm local{};
  {
    // std::localtime shares one result buffer in the process.
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    if (const std::tm* result = std::localtime(&seconds)) local = *result;
  }
  char text[48];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d.%03d: ", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                milliseconds);
  return text;
}

TLog::TLog(const std::string& fileName, const std::string& header) {
  if (!file_.Open(fileName, TFile::Mode::Append)) return;
  const std::string end = TextLineEnd();
  const std::string opening = "/" + std::string(90, '-') + "\\" + end + header + end + end;
  if (!file_.WriteExact(opening.data(), opening.size()) || !file_.Flush()) file_.Close();
}

TLog::~TLog() {
  if (!file_.IsOpen()) return;
  const std::string end = TextLineEnd();
  file_.WriteExact(end.data(), end.size());
  file_.Close();
}

void TLog::WriteLine(const std::string& message) {
  if (!file_.IsOpen()) return;
  const auto now = std::chrono::system_clock::now();
  const auto sinceEpoch = now.time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - seconds).count();
  const std::string entry =
      LogTimestamp(static_cast<std::time_t>(seconds.count()), static_cast<int>(millis)) +
      WithSystemLineBreaks(message) + TextLineEnd();
  file_.WriteExact(entry.data(), entry.size());
  file_.Flush();
}

LogSink TLog::Sink() {
  return [this](const std::string& message) { WriteLine(message); };
}

LogSink MakeLogSink(TLog* log) { return log ? log->Sink() : LogSink(); }

}  // namespace pallograph
