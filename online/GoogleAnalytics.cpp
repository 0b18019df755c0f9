#include "online/GoogleAnalytics.h"

#include <cstdio>
#include <exception>

#include "online/TasksQueue.h"
#include "online/ThreadSend.h"
#include "platform/CpuId.h"
#include "platform/Interrupt.h"
#include "platform/System.h"

#ifndef PALLOGRAPH_STATS_HOST
#define PALLOGRAPH_STATS_HOST ""
#endif
#ifndef PALLOGRAPH_STATS_TID
#define PALLOGRAPH_STATS_TID ""
#endif

namespace pallograph {

namespace {

std::string SettingOrEnvironment(const char* variable, const char* built) {
  std::string value = GetEnvironmentText(variable);
  return value.empty() ? std::string(built) : value;
}

}  // namespace

std::string StatsCollectorHost() {
  return SettingOrEnvironment("PALLOGRAPH_STATS_HOST", PALLOGRAPH_STATS_HOST);
}

std::string StatsTrackingId() {
  return SettingOrEnvironment("PALLOGRAPH_STATS_TID", PALLOGRAPH_STATS_TID);
}

std::string StatsCollectorUrl(const std::string& host) { return "http://" + host + "/collect"; }

std::string MakeClientId() {
  try {
    if (!CpuIdAvailable()) return "None";
    RCpuIdRegisters r{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    ReadCpuId(1, r);
    char text[32];
    std::snprintf(text, sizeof(text), "%08X-%08X", static_cast<unsigned>(r.A ^ r.C),
                  static_cast<unsigned>(r.B ^ r.D));
    return text;
  } catch (const std::exception&) {
    return "None";
  }
}

int32_t ClampElapsedMs(int64_t milliseconds) {
  if (milliseconds < 0) return 0;
  if (milliseconds > 4294967295LL) return -1;
  return static_cast<int32_t>(static_cast<uint32_t>(milliseconds));
}

TGoogleAnalytics::TGoogleAnalytics(const RHitSettings& settings, const std::string& collectorHost)
    : settings_(settings),
      enabled_(!settings.TrackingId.empty() && !collectorHost.empty()),
      created_(TClock::now()),
      timingStart_(created_),
      queue_(std::make_shared<TTasksQueue>()) {
  std::string userAgent;
  if (!settings_.AppName.empty() && !settings_.AppVersion.empty()) {
    userAgent = settings_.AppName + "/" + settings_.AppVersion;
  }
  sender_ = std::make_unique<TThreadSend>(queue_, StatsCollectorUrl(collectorHost), userAgent);
}

TGoogleAnalytics::~TGoogleAnalytics() {
  // A run that was asked to stop ends at once: what is still queued is lost.
  sender_->Stop(InterruptRequested() ? 0 : kStatsStopWaitMs);
}

void TGoogleAnalytics::StartTiming() { timingStart_ = TClock::now(); }

int32_t TGoogleAnalytics::ElapsedMs() const {
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - timingStart_);
  return ClampElapsedMs(elapsed.count());
}

void TGoogleAnalytics::SendEvent(const std::string& category, const std::string& action,
                                 int32_t value, const std::string& label) {
  if (enabled_) queue_->Push(MakeEventHit(settings_, category, action, value, label));
}

void TGoogleAnalytics::SendTiming(const std::string& category, const std::string& variable,
                                  const std::string& label, int32_t timeMs) {
  if (enabled_) queue_->Push(MakeTimingHit(settings_, category, variable, label, timeMs));
}

}  // namespace pallograph
