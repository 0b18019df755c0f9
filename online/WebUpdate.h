// The program's update check: a worker thread fetches the version file from the update server,
// compares the newest build with the program's own and tells the user, offering the download
// when the version file names one. The worker's messages are shown on the console thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Console.h"

namespace pallograph {

// How long the console thread waits for the worker: steps of 10 ms, 10,000 ms in all (time
// spent showing a message does not count).
inline constexpr unsigned kUpdateWaitStepMs = 10;
inline constexpr unsigned kUpdateWaitMs = 10000;
// The stall limit of the update fetches: longer than the whole wait, so that a server that
// hangs ends in silence rather than in a "not reachable" message the user no longer waits for.
inline constexpr int32_t kUpdateReceiveTimeoutMs = 12000;
// The largest answers read: the version file and the change notes are a few lines each.
inline constexpr size_t kUpdateVersionFileLimit = 4 * 1024;
inline constexpr size_t kUpdateNotesLimit = 16 * 1024;

// The update server's folder, ending in "/": the environment variable PALLOGRAPH_UPDATE_URL
// when set and not empty, else the build setting of that name.
std::string UpdateServerUrl();
// The page the download question opens instead of the version file's download: the environment
// variable PALLOGRAPH_RELEASE_PAGE when set and not empty, else the build setting of that name.
// The download the published version file names is the Windows program's zip, so every build but
// the Windows one names the project's release page; "" (the Windows build) opens the download.
std::string ReleasePageUrl();

enum class TUpdateMessage {
  NewVersion,              // no version text
  NewVersionWithText,      // version text, no download
  NewVersionWithDownload,  // version text and a download: a Yes/No question
  NoUpdate,
  ServerNotReachable,
  AnswerUnreadable,  // an answer came, but it is no version file
};

// The message text: English for any language but 0, Russian for 0. `notes` is the change notes
// text ("" for none).
std::string UpdateMessageText(TUpdateMessage message, int16_t language,
                              const std::string& versionText, const std::string& notes);

// The version file: line 1 the newest build (text that is not a number counts as 0), line 2 the
// new version's display text, line 3 the download: its file name relative to the server folder,
// or a full address ("https://host/file.zip") where the download lies on another host.
struct RVersionFile {
  long long NewestBuild = 0;
  std::string VersionText;  // "" when there is no line 2
  // baseUrl + trimmed line 3, or trimmed line 3 itself when that is a full address; "" when
  // line 3 is missing or blank, or names anything but an http or https address (the desktop
  // would open any other kind, a program on a share included), or holds a blank or a character
  // outside printable ASCII
  std::string DownloadURL;
  // Why the text is no version file ("" when it is one): it is not UTF-8 text, holds a control
  // character other than TAB and the line ends, or its first line is no whole number.
  std::string Problem;
};
// Reads the version file's text (lines split at CR LF, LF or CR). Pure; never throws except for
// lack of memory.
RVersionFile ParseVersionFile(const std::string& text, const std::string& baseUrl);
// What the download question opens: the file's download, or `releasePage` in its place when that
// is not empty; "" when the file names no download.
std::string DownloadToOpen(const RVersionFile& file, const std::string& releasePage);

// What the check does to the desktop; tests replace them.
struct TWebUpdateServices {
  // Shows a message (Yes/No for Question) on the console thread; true for OK/Yes.
  std::function<bool(const std::string& caption, const std::string& text, MessageIcon icon)>
      ShowMessage;
  // Opens the download address with the desktop's "open" action.
  std::function<bool(const std::string& url)> OpenUrl;
};
// ShowMessage and OpenUrl of the platform layer.
TWebUpdateServices DefaultWebUpdateServices();

class TWebUpdate {
 public:
  // Starts the worker. With `waitForResult` the constructor waits for it (kUpdateWaitMs) and
  // shows its messages meanwhile; if the wait runs out, no message of that worker is ever shown.
  // A stop request (platform/Interrupt.h) ends the wait at once, as if it ran out.
  // Without it the owner shows the messages by calling ProcessMessages. `caption` "" gives
  // "Pallograph". Call on the console thread.
  TWebUpdate(const std::string& currentBuild, bool waitForResult, bool reportAll,
             const std::string& caption, int16_t language, const std::string& infoFileEn,
             const std::string& infoFileRu, const std::string& versionFile,
             const std::string& baseUrl, TWebUpdateServices services = DefaultWebUpdateServices());
  // The worker is not waited for; it shows nothing more and ends on its own.
  ~TWebUpdate();
  TWebUpdate(const TWebUpdate&) = delete;
  TWebUpdate& operator=(const TWebUpdate&) = delete;

  // Shows a message the worker is waiting to show, if any. Returns true once the worker has
  // ended. Console thread only.
  bool ProcessMessages();
  // The worker has ended and the user started the download: the program is to end.
  bool DownloadStarted() const;
  // What went wrong, once the worker has ended, one line each, with the address: a fetch that
  // failed (the HTTP status or the reason), an answer that is no version file, change notes
  // that were left out. Empty while the worker runs.
  std::vector<std::string> Problems() const;
  // The constructor's wait ran out, or a stop request (platform/Interrupt.h) ended it, before
  // the worker ended.
  bool WaitRanOut() const { return waitRanOut_; }

  // What is shared with the worker; defined with the worker's code.
  struct TState;

 private:
  // Stops showing the worker's messages and releases a worker waiting for one.
  void Abandon();

  std::shared_ptr<TState> state_;
  std::thread worker_;
  bool waitRanOut_ = false;
};

}  // namespace pallograph
