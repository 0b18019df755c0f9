// The steps of a run that talk to the network: the two prompts of the interactive help, the
// configuration refresh, and the usage statistics. None of them changes what the stages do.
#pragma once

#include <string>

namespace pallograph {

struct TRun;

// The interactive help's two prompts: program update check, then configuration refresh.
void RunHelpPrompts(TRun& run);
// Refreshes the four config files in run.Settings.ConfigsFolder, one console line each.
void RefreshConfigs(TRun& run);
// Creates the statistics client (unless "no-send-statistic") and sends the start events.
void StartStatistics(TRun& run);
// "Args" / option / label, when the statistics client exists.
void SendOptionEvent(TRun& run, const std::string& option, const std::string& label);
void StartStatisticsTimer(TRun& run);
// The closing "FullTime" timing.
void SendFullTime(TRun& run);

}  // namespace pallograph
