// The client's version.xml: its <version> element names the version and the build
// ("<version> v.2.4.0.2 #966 </version>").
#pragma once

#include <string>
#include <string_view>

#include "client/WOTInfo.h"

namespace pallograph {

// Fills VersionRaw, VersionText, Version and Build of `info` from the text of version.xml.
// VersionRaw is the text after the first "<version>" up to the next '<' (at least one character);
// the rest stay empty when that text is blank or there is no "<version>". Pure text work.
void ParseVersionXml(std::string_view text, RWOTInfo& info);

// The realm the client belongs to ("EU", "NA", "RU"): the trimmed text after the first
// "<realm>" up to the next '<'; "" when there is none or it is too long to be a realm code.
std::string VersionXmlRealm(std::string_view text);

}  // namespace pallograph
