// The usage statistics client: Measurement Protocol hits queued by the owner without waiting and
// posted to the collector by one sender thread for the client's whole life.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "online/AnalyticsHit.h"

namespace pallograph {

class TTasksQueue;
class TThreadSend;

// How long the destruction waits for the sender to post what is still queued.
inline constexpr unsigned kStatsStopWaitMs = 1000;

// The collector's host (optionally with ":port"): the environment variable
// PALLOGRAPH_STATS_HOST when set and not empty, else the build setting of that name ("" in a
// default build).
std::string StatsCollectorHost();
// The tracking id: PALLOGRAPH_STATS_TID when set and not empty, else the build setting.
std::string StatsTrackingId();
// "http://" + host + "/collect".
std::string StatsCollectorUrl(const std::string& host);

// An anonymous id of this machine made from the processor's identification leaf 1:
// "XXXXXXXX-XXXXXXXX" (upper-case hex of a xor c and of b xor d). A processor without the
// instruction gives "00000000-00000000"; a build without it, or any failure, "None".
std::string MakeClientId();

// Milliseconds as ElapsedMs reports them: 0 when negative, -1 above 4,294,967,295, else the
// low 32 bits.
int32_t ClampElapsedMs(int64_t milliseconds);

class TGoogleAnalytics {
 public:
  // Remembers the time and starts the sender at once. Hits go to StatsCollectorUrl(host). With
  // an empty tracking id or an empty host nothing is ever queued or sent.
  TGoogleAnalytics(const RHitSettings& settings, const std::string& collectorHost);
  // Asks the sender to stop, waits at most kStatsStopWaitMs while it posts what is queued
  // (without pauses); a sender that is still busy then drops the rest and ends on its own. After
  // a stop request (platform/Interrupt.h) it does not wait at all. The sender shares the queue,
  // so it never touches a released one.
  ~TGoogleAnalytics();
  TGoogleAnalytics(const TGoogleAnalytics&) = delete;
  TGoogleAnalytics& operator=(const TGoogleAnalytics&) = delete;

  // The timing start is now (it is the creation time until then).
  void StartTiming();
  // Milliseconds since the timing start, see ClampElapsedMs.
  int32_t ElapsedMs() const;
  // Queue a hit without waiting; nothing when the client is disabled. Texts are cut to their
  // fields. A negative value sends no value.
  void SendEvent(const std::string& category, const std::string& action, int32_t value,
                 const std::string& label);
  void SendTiming(const std::string& category, const std::string& variable,
                  const std::string& label, int32_t timeMs);
  // False when the tracking id or the host is empty.
  bool Enabled() const { return enabled_; }

  // The methods above are for one owner thread; the sender runs on its own.

 private:
  using TClock = std::chrono::steady_clock;
  RHitSettings settings_;
  bool enabled_ = false;
  TClock::time_point created_;
  TClock::time_point timingStart_;
  std::shared_ptr<TTasksQueue> queue_;
  std::unique_ptr<TThreadSend> sender_;
};

}  // namespace pallograph
