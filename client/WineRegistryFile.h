// A Wine prefix's registry file (system.reg, user.reg) in Wine's text form: the header line
// "WINE REGISTRY Version 2", then one section per key,
//   [Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WOT.EU.PRODUCTION] 1700000000
//   #time=1da2b3c4d5e6f70
//   "InstallLocation"="C:\\Games\\World_of_Tanks_EU"
//   @="the default value"
//   "Path"=hex(2):43,00,3a,00,5c,00,...   (binary data; a line ending in a backslash goes on
//                                         on the next one)
// Key names are relative to the file's root (the machine for system.reg, the user for
// user.reg). Names and strings escape '\', quotes and brackets with '\', and characters outside
// ASCII as "\x" and up to four hexadecimal digits of their UTF-16 unit.
//
// The file comes from another program's folder and may be cut off, damaged or not a registry
// file at all: it is read as untrusted text. Nothing here throws or reads outside the text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace pallograph {

// A registry file bigger than this is not read (a fresh prefix's system.reg is about 2 MB).
inline constexpr int64_t kWineRegistryFileLimit = 64 << 20;

// The key sections of one registry file, found once; values are read on demand.
class TWineRegistryFile {
 public:
  // Takes the file's text and finds its key sections. False, with no key, when the text does not
  // begin with Wine's header line.
  bool Load(std::string text);
  // A string value (REG_SZ, or REG_EXPAND_SZ written as str(2):) of a key; "" names the key's
  // default value ("@"). Key and value names compare without regard to ASCII case. nullopt when
  // the key or value is missing, holds another type (dword:, hex(2): and other binary forms), or
  // is cut off.
  std::optional<std::string> ReadString(std::string_view key, std::string_view value) const;

 private:
  std::string text_;
  // Lower-cased key name -> offset of the line after its section header.
  std::unordered_map<std::string, size_t> sections_;
};

// The text of a quoted name or string in a registry file, from the character after its opening
// quote: escapes resolved, UTF-16 units from "\x" escapes as UTF-8. `end` receives the offset
// after the closing `quote`. nullopt when the line or the text ends before it.
std::optional<std::string> UnescapeWineRegistryText(std::string_view text, size_t start, char quote,
                                                    size_t& end);

}  // namespace pallograph
