#include "run/OptionTable.h"

#include "run/CommandLineReader.h"

namespace pallograph {

void DeclareOptions(TCommandLineReader& reader) {
  reader.AddSwitch("silent-mode", "\t| User key, bool value", false);
  reader.AddSwitch("auto-close-console", "| User optional key, bool value", false);
  reader.AddSwitch("no-send-statistic", "\t| User key, bool value", false);
  reader.AddSwitch("no-update-configs", "\t| User key, bool value", false);
  reader.AddSwitch("dry-run", "\t\t| User key, bool value", false);
  reader.AddTextOption("cpu-count", "\t| User key, int value 1..50", "");
  reader.AddPathOption("wot-path", "\t\t| User key, string value", "");
  reader.AddSwitch("list-clients", "\t| User key, bool value", false);
  reader.AddPathOption("mods-path", "\t| User key, string value", "");
  reader.AddPathOption("configs-path", "\t| User key, string value", "");
  reader.AddSwitch("without-wotmod", "\t| User key, bool value", false);
  reader.AddSwitch("allinone-wotmod", "\t| User key, bool value", false);
  reader.AddSwitch("subfolder-wotmod", "\t| User key, bool value", false);
  reader.AddSwitch("remove-wotmod", "\t| User key, bool value", false);
  reader.AddSwitch("without-hd", "\t| User key, bool value", false);
  reader.AddSwitch("split-2gb-parts", "\t| User key, bool value", false);
  reader.AddTextOption("DPT-mod", "\t\t| User key, string value RRGGBB", "");
  reader.AddTextOption("inside-color", "\t| User key, string value RRGGBB", "");
  reader.AddSwitch("remove-shadows", "\t| User key, bool value", false);
  reader.AddTextOption("CCT-mod", "\t\t| User key, string value RRGGBB", "");
  reader.AddTextOption("MEM-mod", "\t\t| User key, string value RRGGBB", "");
  reader.AddTextOption("CTM-mod", "\t\t| User key, string value RRGGBB", "");
  reader.AddTextOption("SpaceBin-mod", "\t| User key, string value RRGGBB|RRGGBB", "");
  reader.AddTextOption("CAMO-mod", "\t\t| User key, int value 0..100", "");
  reader.AddTextOption("DPT-wotmod-name", "\t| ModDev key, string value", "");
  reader.AddTextOption("DPT-wotmod-meta", "\t| ModDev key, string value", "");
  reader.AddTextOption("CCT-wotmod-name", "\t| ModDev key, string value", "");
  reader.AddTextOption("CCT-wotmod-meta", "\t| ModDev key, string value", "");
  reader.AddTextOption("MEM-wotmod-name", "\t| ModDev key, string value", "");
  reader.AddTextOption("MEM-wotmod-meta", "\t| ModDev key, string value", "");
  reader.AddTextOption("CTM-wotmod-name", "\t| ModDev key, string value", "");
  reader.AddTextOption("CTM-wotmod-meta", "\t| ModDev key, string value", "");
  reader.AddTextOption("SpaceBin-wotmod-name", "| ModDev key, string value", "");
  reader.AddTextOption("SpaceBin-wotmod-meta", "| ModDev key, string value", "");
  reader.AddTextOption("CAMO-wotmod-name", "\t| ModDev key, string value", "");
  reader.AddTextOption("CAMO-wotmod-meta", "\t| ModDev key, string value", "");
  reader.AddTextOption("allinone-wotmod-name", "| ModDev key, string value", "");
  reader.AddTextOption("allinone-wotmod-meta", "| ModDev key, string value", "");
  reader.AddTextOption("subfolder-wotmod-name", "| ModDev key, string value", "");
  reader.AddSwitch("test", "\t\t| Debug key, bool value", false);
  reader.AddSwitch("log", "\t\t| Debug key, bool value", false);
}

}  // namespace pallograph
