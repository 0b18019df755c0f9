// The program's identity: version, build, date, name.
#pragma once

namespace pallograph {

inline constexpr const char* kProgramVersion = "2.1.3";
inline constexpr const char* kProgramBuild = "226";
inline constexpr const char* kProgramDate = "08/11/2021";
inline constexpr const char* kProgramName = "Pallograph2";
inline constexpr const char* kLogFileName = "Pallograph2.log";
inline constexpr const char* kDiscussionPage =
    "https://github.com/pallograph/pallograph/discussions";

}  // namespace pallograph
