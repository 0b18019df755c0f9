#include "online/AnalyticsHit.h"

#include <type_traits>

namespace pallograph {

namespace {

std::string Cut(const std::string& text, size_t width) { return text.substr(0, width); }

void AddIfNotEmpty(AHitParameters& parameters, const char* name, const std::string& value) {
  if (!value.empty()) parameters.emplace_back(name, value);
}

}  // namespace

RHitSettings MakeHitSettings(const std::string& trackingId, const std::string& clientId,
                             const std::string& appName, const std::string& appVersion,
                             const std::string& appId, const std::string& installerId,
                             const std::string& userLanguage) {
  return RHitSettings{std::string(1, '1'),          Cut(trackingId, kHitWideText),
                      Cut(clientId, kHitWideText),  Cut(appName, kHitAppText),
                      Cut(appVersion, kHitAppText), Cut(appId, kHitIdText),
                      Cut(installerId, kHitIdText), Cut(userLanguage, kHitLanguageText)};
}

RHit MakeEventHit(const RHitSettings& settings, const std::string& category,
                  const std::string& action, int32_t value, const std::string& label) {
  return RHit{settings, REventHit{Cut(category, kHitIdText), Cut(action, kHitWideText),
                                  Cut(label, kHitWideText), value}};
}

RHit MakeTimingHit(const RHitSettings& settings, const std::string& category,
                   const std::string& variable, const std::string& label, int32_t timeMs) {
  return RHit{settings, RTimingHit{Cut(category, kHitIdText), Cut(variable, kHitWideText), timeMs,
                                   Cut(label, kHitWideText)}};
}

AHitParameters BuildHitParameters(const RHit& hit) {
  const RHitSettings& s = hit.Settings;
  AHitParameters p;
  p.emplace_back("v", s.ProtocolVersion);
  p.emplace_back("tid", s.TrackingId);
  p.emplace_back("cid", s.ClientId);
  p.emplace_back("an", s.AppName);
  AddIfNotEmpty(p, "av", s.AppVersion);
  AddIfNotEmpty(p, "aid", s.AppId);
  AddIfNotEmpty(p, "aiid", s.AppInstallerId);
  AddIfNotEmpty(p, "ul", s.UserLanguage);
  std::visit(
      [&p](const auto& data) {
        using T = std::decay_t<decltype(data)>;
        if constexpr (std::is_same_v<T, REventHit>) {
          p.emplace_back("t", "event");
          p.emplace_back("ec", data.Category);
          p.emplace_back("ea", data.Action);
          AddIfNotEmpty(p, "el", data.Label);
          if (data.Value >= 0) p.emplace_back("ev", std::to_string(data.Value));
        } else if constexpr (std::is_same_v<T, RScreenViewHit>) {
          p.emplace_back("t", "screenview");
          p.emplace_back("cd", data.ScreenName);
        } else if constexpr (std::is_same_v<T, RExceptionHit>) {
          p.emplace_back("t", "exception");
          p.emplace_back("exd", data.Description);
          p.emplace_back("exf", data.IsFatal ? "1" : "0");
        } else {
          p.emplace_back("t", "timing");
          p.emplace_back("utc", data.Category);
          p.emplace_back("utv", data.Variable);
          p.emplace_back("utt", std::to_string(data.TimeMs));
          AddIfNotEmpty(p, "utl", data.Label);
        }
      },
      hit.Data);
  return p;
}

std::string UrlEncodeValue(const std::string& value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(value.size() * 3);
  for (const char ch : value) {
    const auto byte = static_cast<unsigned char>(ch);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                            byte == '_' || byte == '~';
    if (unreserved) {
      encoded += ch;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

std::string EncodeFormBody(const AHitParameters& parameters) {
  std::string body;
  for (const auto& [name, value] : parameters) {
    if (!body.empty()) body += '&';
    body += name;
    body += '=';
    body += UrlEncodeValue(value);
  }
  return body;
}

}  // namespace pallograph
