#include "run/ClientChoice.h"

#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "run/ExitCodes.h"
#include "run/RunSettings.h"
#include "run/StartupHalt.h"

namespace pallograph {

namespace {

std::string Shown(const RFoundClient& client) {
  return ToNativePath(ExcludeTrailingBackslash(client.Path));
}

// "version v.2.4.0.2 build 966, realm EU, found in the Wine prefix ~/.wine"
std::string Details(const RFoundClient& client) {
  std::string text =
      "version " + (client.Version.empty() ? std::string("unknown") : client.Version);
  if (!client.Realm.empty()) text += ", realm " + client.Realm;
  return text + ", found in " + client.Where;
}

void ListClient(TRun& run, const RFoundClient& client) {
  run.Console.Line("    " + Shown(client));
  run.Console.Line("          " + Details(client));
  run.LogLine("Client found: " + Shown(client) + " (" + Details(client) + ")");
}

std::string Joined(const std::vector<std::string>& places) {
  std::string text;
  for (const std::string& place : places) text += (text.empty() ? "" : ", ") + place;
  return text;
}

// The places of a search that found nothing, in words.
std::string SearchedPlaces(const RClientSearch& search) {
  if (!search.Searched.empty()) return Joined(search.Searched);
  return "no Wine prefix: none of $WINEPREFIX, ~/.wine, nor one of Lutris, Steam (Proton), "
         "Bottles or PortProton";
}

}  // namespace

RFoundClient FindTheOnlyClient(TRun& run) {
  const RClientSearch search = SearchClients();
  if (search.Clients.size() == 1) return search.Clients.front();
  if (search.Clients.empty()) {
    HaltStartup(run, "Not found!", kExitNoClientPath,
                "no client found (searched: " + SearchedPlaces(search) +
                    "); give its folder with --wot-path=<the client's folder>");
  }
  const std::string count = std::to_string(search.Clients.size());
  run.Console.Line(count + " clients found!");
  for (const RFoundClient& client : search.Clients) ListClient(run, client);
  run.Console.Line("    Choose one with --wot-path, for example --wot-path=\"" +
                   Shown(search.Clients.front()) + "\"");
  HaltStartup(run, "", kExitNoClientPath,
              count + " clients found: choose one with --wot-path=<the client's folder>");
}

void ReportFoundClient(TRun& run, const RFoundClient& client) {
  run.Console.Line("    The only client found is used: " + Shown(client));
  run.Console.Line("          " + Details(client));
  run.LogLine("Client found: " + Shown(client) + " (" + Details(client) + ")");
}

int ListClients(TRun& run) {
  const RClientSearch search = SearchClients();
  if (search.Clients.empty()) {
    run.Console.Line("  > Clients of the game found: none");
    run.Console.Line("    Searched: " + SearchedPlaces(search));
  } else {
    run.Console.Line("  > Clients of the game found: " + std::to_string(search.Clients.size()));
    for (const RFoundClient& client : search.Clients) ListClient(run, client);
  }
  run.Console.Line();
  return 0;
}

}  // namespace pallograph
