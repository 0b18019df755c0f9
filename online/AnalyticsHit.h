// The Measurement Protocol (version 1) hits of the usage statistics: their records and their
// form-encoded parameter list. Pure values and functions, safe on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace pallograph {

// Widths of the hit fields in 8-bit characters; longer texts are cut.
inline constexpr size_t kHitWideText = 255;
inline constexpr size_t kHitAppText = 100;
inline constexpr size_t kHitIdText = 150;
inline constexpr size_t kHitLanguageText = 20;

// Copied into every hit.
struct RHitSettings {
  std::string ProtocolVersion;  // "1"
  std::string TrackingId;       // empty disables all hits
  std::string ClientId;         // MakeClientId()
  std::string AppName;          // up to 100
  std::string AppVersion;       // up to 100
  std::string AppId;            // up to 150
  std::string AppInstallerId;   // up to 150
  std::string UserLanguage;     // up to 20
};

enum class THitType : uint8_t { Event = 0, ScreenView = 1, Exception = 2, Timing = 3 };

struct REventHit {
  std::string Category;  // up to 150
  std::string Action;    // up to 255
  std::string Label;     // up to 255
  int32_t Value = -1;    // negative = none
};

struct RScreenViewHit {
  std::string ScreenName;  // up to 150
};

struct RExceptionHit {
  std::string Description;  // up to 150
  bool IsFatal = false;
};

struct RTimingHit {
  std::string Category;  // up to 150
  std::string Variable;  // up to 255
  int32_t TimeMs = 0;
  std::string Label;  // up to 255
};

// One hit as it travels through the queue: the settings, then one variant.
struct RHit {
  RHitSettings Settings;
  std::variant<REventHit, RScreenViewHit, RExceptionHit, RTimingHit> Data;

  THitType Type() const { return static_cast<THitType>(Data.index()); }
};

// Fills the settings with protocol version "1"; each text is cut to its field's width.
RHitSettings MakeHitSettings(const std::string& trackingId, const std::string& clientId,
                             const std::string& appName, const std::string& appVersion,
                             const std::string& appId, const std::string& installerId,
                             const std::string& userLanguage);
// Hit records with every text cut to its field's width.
RHit MakeEventHit(const RHitSettings& settings, const std::string& category,
                  const std::string& action, int32_t value, const std::string& label);
RHit MakeTimingHit(const RHitSettings& settings, const std::string& category,
                   const std::string& variable, const std::string& label, int32_t timeMs);

// Parameter name and (not yet encoded) value, in the order they are sent.
using AHitParameters = std::vector<std::pair<std::string, std::string>>;

// The hit's parameters: v, tid, cid, an, then av, aid, aiid, ul when not empty, then the type's
// own parameters (an event's "el" only when the label is not empty, "ev" only when the value is
// 0 or more; a timing's "utl" only when the label is not empty).
AHitParameters BuildHitParameters(const RHit& hit);
// Percent-encodes every byte except A-Z, a-z, 0-9 and "-._~" (upper-case hex digits).
std::string UrlEncodeValue(const std::string& value);
// "name=value" joined by "&", each non-empty value percent-encoded.
std::string EncodeFormBody(const AHitParameters& parameters);

}  // namespace pallograph
