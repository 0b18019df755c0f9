// The description of a .wotmod package: the meta.xml text, the table of the program's mod kinds,
// and the package file name.
#pragma once

#include <array>
#include <string>

namespace pallograph {

// The four texts of a package description.
struct RMeta {
  std::string id;
  std::string version;
  std::string name;
  std::string description;
};

struct RModKind {
  const char* Id;
  const char* Name;
  const char* Description;
};

// Indexed by the kind the run control passes.
inline constexpr std::array<RModKind, 7> kModKinds = {{
    {"mod.Pallograph.AllMods", "Pallograph: RepaintedTextures",
     "Monochromatic textures and translucent camouflages for tanks"},
    {"mod.Pallograph.TankCrashTextures", "Pallograph: TankCrashTextures",
     "Monochromatic textures for crashed tanks"},
    {"mod.Pallograph.TrackCrashTextures", "Pallograph: TrackCrashTextures",
     "Monochromatic textures for crashed tracks"},
    {"mod.Pallograph.TankMapTextures", "Pallograph: TankMapTextures",
     "Monochromatic textures for tank models on maps"},
    {"mod.Pallograph.TrainMapTextures", "Pallograph: TrainMapTextures",
     "Monochromatic textures for carriages and trains on maps"},
    {"mod.Pallograph.SpaceBinPatched", "Pallograph: SpaceBinPatched",
     "Modified bin-files for models on maps"},
    {"mod.Pallograph.Camouflages", "Pallograph: Camouflages", "Translucent camouflages for tanks"},
}};

// The meta.xml template: id, version, name, description in that order, each inserted as XML
// character data (&, <, >, " and ' as entities), so that any option text gives well-formed XML.
inline constexpr const char* kMetaTemplate =
    "<root>\r\n    <id>%s</id>\r\n    <version>%s</version>\r\n    <name>%s</name>\r\n"
    "    <description>%s</description>\r\n</root>";

// The description of a package: the kind's table row with the version text when `customText` is
// empty; otherwise the custom text read as "id|version|name|description" (each trimmed; a field
// not followed by a further '|' is dropped, so "a|b" gives only the id, "a|b|c" id and version).
// A kind outside the table gives empty fields.
RMeta MakeMeta(int kind, const std::string& versionText, const std::string& customText);
std::string FormatMetaText(const RMeta& meta);
// FormatMetaText(MakeMeta(...)): the text of meta.xml, lines separated by CR LF, no final line end.
std::string MakeMetaText(int kind, const std::string& versionText, const std::string& customText);
// Writes the text as meta.xml content: 8-bit, no byte-order mark, every line (the last one too)
// ended by CR LF. False when the file cannot be written.
bool WriteMetaFile(const std::string& path, const std::string& metaText);
// Inserts "_Part" + part into the id: before "</id>", stepping back over blanks and tabs before
// it. The text as it is when it has no "</id>".
std::string InsertPartSuffix(const std::string& metaText, size_t part);

// The package file name relative to the output folder: `nameOption` + ".wotmod" when given, else
// the kind's id + "_" + version text + ".wotmod"; with `subfolder`, inside `subfolderName`
// (trailing '\' removed; "Pallograph" when empty).
std::string WotmodFileName(int kind, const std::string& nameOption, const std::string& versionText,
                           bool subfolder, const std::string& subfolderName);

}  // namespace pallograph
