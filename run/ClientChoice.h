// The client of a run without --wot-path, and the listing of --list-clients: the clients the
// search finds (client/ClientSearch.h) as the console, standard error and the run log show them.
#pragma once

#include "client/ClientSearch.h"

namespace pallograph {

struct TRun;

// Searches for clients. One: returns it; the caller analyses its folder and names it with
// ReportFoundClient. Several: lists them (folder, version, realm, where found) with how to choose
// one, and ends the run with kExitNoClientPath; nothing is built. None: ends the run as a run
// without a client folder ("Not found!"), standard error naming the places searched.
RFoundClient FindTheOnlyClient(TRun& run);
// After the analysis: names the client used and where it was found, on the console and in the
// run log.
void ReportFoundClient(TRun& run, const RFoundClient& client);
// --list-clients: every client found, or the places searched when there is none; returns 0.
int ListClients(TRun& run);

}  // namespace pallograph
