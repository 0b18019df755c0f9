#include "online/WebUpdate.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

#include "online/DownloadedText.h"
#include "online/HttpFetch.h"
#include "online/SharedWorker.h"
#include "platform/IntegerText.h"
#include "platform/Interrupt.h"
#include "platform/PathText.h"
#include "platform/System.h"

#ifndef PALLOGRAPH_UPDATE_URL
#define PALLOGRAPH_UPDATE_URL \
  "https://raw.githubusercontent.com/pallograph/pallograph/main/data/update/"
#endif
#ifndef PALLOGRAPH_RELEASE_PAGE
#define PALLOGRAPH_RELEASE_PAGE ""
#endif

namespace pallograph {

struct TWebUpdate::TState {
  std::string CurrentBuild;
  std::string BaseURL;
  std::string VersionFile;
  std::string InfoFileRu;
  std::string InfoFileEn;
  int16_t Language = 1;
  std::string Caption;
  bool ReportAll = true;
  std::string ReleasePage;
  TWebUpdateServices Services;

  std::mutex Mutex;
  std::condition_variable Changed;
  // A call the worker waits to have run on the console thread. Guarded by Mutex.
  std::function<void()> Pending;
  bool PendingDone = false;  // guarded by Mutex
  bool Finished = false;     // guarded by Mutex: the worker has ended
  // The console thread no longer serves the worker's calls. Guarded by Mutex.
  bool Abandoned = false;
  // 1 once a download was started or the console thread stopped waiting: no more messages.
  int Tag = 0;                        // guarded by Mutex
  bool DownloadOpened = false;        // guarded by Mutex
  std::vector<std::string> Problems;  // guarded by Mutex
};

namespace {

using TState = TWebUpdate::TState;

struct RMessageTexts {
  const char* NewVersion;
  const char* FoundPrefix;
  const char* WithTextEnd;
  const char* WithTextTail;
  const char* WithDownloadEnd;
  const char* WithDownloadTail;
  const char* NoUpdate;
  const char* ServerNotReachable;
  const char* AnswerUnreadable;
};

constexpr RMessageTexts kEnglish = {
    "A new version of the program has been found. You can download it and see the list of "
    "changes on the official website.",
    "Found a new version of the program: ",
    ".",
    "You can download the new version and see the list of changes on the official website.",
    ", start downloading?",
    "You can also manually download the new version of the program and see the list of changes "
    "on the official website.",
    "You are already using the latest version of the program. Update is not required.",
    "Server was not found or is not available, please try again later.\r\n\r\nNote: Probably "
    "the version of the program is great outdated or the address of the update server has "
    "changed. You can independently check for a new version on the program website.",
    "The answer of the update server could not be read, please try again later.\r\n\r\nYou "
    "can independently check for a new version on the program website.",
};

// UTF-8; converted to the program's 8-bit text when used.
constexpr RMessageTexts kRussian = {
    "Найдена новая версия программы. Скачать её и посмотреть список изменений можно на "
    "официальном сайте.",
    "Найдена новая версия программы: ",
    ".",
    "Скачать новую версию и посмотреть список изменений можно на официальном сайте.",
    ", начать загрузку?",
    "Также можно самостоятельно скачать новую версию программы и посмотреть список изменений "
    "на официальном сайте.",
    "Вы уже используете последнюю версию программы. Обновление не требуется.",
    "Сервер не найден или недоступен, повторите попытку позже.\r\n\r\nПримечание: возможно, "
    "версия программы сильно устарела или изменился адрес сервера обновлений. Наличие новой "
    "версии можно проверить самостоятельно на сайте программы.",
    "Ответ сервера обновлений не удалось прочитать, повторите попытку позже.\r\n\r\nНаличие "
    "новой версии можно проверить самостоятельно на сайте программы.",
};

constexpr const char* kParagraph = "\r\n\r\n";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
  return lines;
}

// "scheme://...": a scheme (a letter, then letters, digits, '+', '-' or '.') before "://".
bool IsFullAddress(const std::string& text) {
  const size_t end = text.find("://");
  if (end == std::string::npos || end == 0) return false;
  const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!isLetter(text[0])) return false;
  for (size_t i = 1; i < end; ++i) {
    const char c = text[i];
    if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

// The whole trimmed text as a decimal integer; 0 when it is not one.
long long IntegerOrZero(const std::string& text) {
  int64_t value = 0;
  return ParseDecimal(Trim(text), value) ? value : 0;
}

// An http or https address of printable ASCII without blanks: what the download question may
// hand to the desktop.
bool IsWebAddress(const std::string& text) {
  const std::string lower = LowerCaseAscii(text);
  if (!StartsWith(lower, "http://") && !StartsWith(lower, "https://")) return false;
  for (const char c : text) {
    if (c <= ' ' || c >= 0x7F) return false;
  }
  return true;
}

// Why a version file's text is none; "" when it is one.
std::string VersionFileProblem(const std::string& text, const std::vector<std::string>& lines) {
  if (!IsUtf8Text(text)) return "the answer is not UTF-8 text";
  if (PrintableText(text) != text) return "the answer holds control characters";
  int64_t build = 0;
  if (lines.empty() || !ParseDecimal(Trim(lines[0]), build)) {
    return "the answer is no version file (its first line is no build number)";
  }
  return {};
}

RIStringResult FetchText(const std::string& url, size_t limit) {
  RIRequest request;
  InitRequestFull(request, url, kHttpUserAgent, kHttpAcceptLanguage, kHttpAccept,
                  kHttpConnectTimeoutMs, kHttpAttempts, kHttpKeepAlive, kUpdateReceiveTimeoutMs);
  request.TotalTimeout = DownloadTimeLimitMs();
  request.MaxBodySize = limit;
  RIStringResult result;
  HttpGetText(request, result);
  return result;
}

void AddProblem(TState& state, const std::string& problem) {
  const std::lock_guard<std::mutex> lock(state.Mutex);
  state.Problems.push_back(problem);
}

// Worker side: has `call` run on the console thread and waits for it. Returns at once, without
// running it, once the console thread no longer shows messages.
void Synchronize(TState& state, std::function<void()> call) {
  std::unique_lock<std::mutex> lock(state.Mutex);
  if (state.Tag != 0 || state.Abandoned) return;
  state.Pending = std::move(call);
  state.PendingDone = false;
  state.Changed.notify_all();
  state.Changed.wait(lock, [&state] { return state.PendingDone || state.Abandoned; });
}

// Worker side: shows a message on the console thread; false unless the user answered OK/Yes.
bool Show(TState& state, const std::string& text, MessageIcon icon,
          const std::string& downloadUrl = "") {
  bool answer = false;
  Synchronize(state, [&state, &answer, &text, icon, &downloadUrl] {
    answer = state.Services.ShowMessage(state.Caption, text, icon);
    if (answer && icon == MessageIcon::Question) {
      state.Services.OpenUrl(downloadUrl);
      const std::lock_guard<std::mutex> lock(state.Mutex);
      state.Tag = 1;
      state.DownloadOpened = true;
    }
  });
  return answer;
}

void CheckForUpdate(TState& state) {
  const std::string versionUrl = state.BaseURL + state.VersionFile;
  const RIStringResult version = FetchText(versionUrl, kUpdateVersionFileLimit);
  if (version.Error || version.Empty) {
    AddProblem(state, versionUrl + ": " + (version.Error ? version.Reason : "the answer is empty"));
    if (state.ReportAll) {
      Show(state, UpdateMessageText(TUpdateMessage::ServerNotReachable, state.Language, "", ""),
           MessageIcon::Information);
    }
    return;
  }
  const RVersionFile file = ParseVersionFile(version.Text, state.BaseURL);
  if (!file.Problem.empty()) {
    AddProblem(state, versionUrl + ": " + file.Problem);
    if (state.ReportAll) {
      Show(state, UpdateMessageText(TUpdateMessage::AnswerUnreadable, state.Language, "", ""),
           MessageIcon::Information);
    }
    return;
  }
  if (IntegerOrZero(state.CurrentBuild) >= file.NewestBuild) {
    if (state.ReportAll) {
      Show(state, UpdateMessageText(TUpdateMessage::NoUpdate, state.Language, "", ""),
           MessageIcon::Information);
    }
    return;
  }
  const std::string& versionText = file.VersionText;
  const std::string downloadUrl = DownloadToOpen(file, state.ReleasePage);
  const std::string& notesFile = state.Language == 0 ? state.InfoFileRu : state.InfoFileEn;
  const RIStringResult notes = FetchText(state.BaseURL + notesFile, kUpdateNotesLimit);
  if (notes.Error) {
    AddProblem(state,
               state.BaseURL + notesFile + ": " + notes.Reason + "; the change notes are left out");
  }
  const std::string notesText =
      notes.Error || notes.Empty ? std::string() : PrintableText(notes.Text);

  if (versionText.empty()) {
    Show(state, UpdateMessageText(TUpdateMessage::NewVersion, state.Language, "", ""),
         MessageIcon::Information);
  } else if (downloadUrl.empty()) {
    Show(state,
         UpdateMessageText(TUpdateMessage::NewVersionWithText, state.Language, versionText,
                           notesText),
         MessageIcon::Information);
  } else {
    Show(state,
         UpdateMessageText(TUpdateMessage::NewVersionWithDownload, state.Language, versionText,
                           notesText),
         MessageIcon::Question, downloadUrl);
  }
}

}  // namespace

RVersionFile ParseVersionFile(const std::string& text, const std::string& baseUrl) {
  const std::vector<std::string> lines = SplitLines(text);
  RVersionFile file;
  file.Problem = VersionFileProblem(text, lines);
  if (!lines.empty()) file.NewestBuild = IntegerOrZero(lines[0]);
  if (lines.size() > 1) file.VersionText = PrintableText(lines[1]);
  const std::string download = lines.size() > 2 ? Trim(lines[2]) : std::string();
  if (!download.empty()) {
    const std::string url = IsFullAddress(download) ? download : baseUrl + download;
    if (IsWebAddress(url)) file.DownloadURL = url;
  }
  return file;
}

std::string DownloadToOpen(const RVersionFile& file, const std::string& releasePage) {
  if (file.DownloadURL.empty() || releasePage.empty()) return file.DownloadURL;
  return releasePage;
}

std::string UpdateServerUrl() {
  std::string url = GetEnvironmentText("PALLOGRAPH_UPDATE_URL");
  if (url.empty()) url = PALLOGRAPH_UPDATE_URL;
  if (!url.empty() && url.back() != '/') url += '/';
  return url;
}

std::string ReleasePageUrl() {
  const std::string page = GetEnvironmentText("PALLOGRAPH_RELEASE_PAGE");
  return page.empty() ? std::string(PALLOGRAPH_RELEASE_PAGE) : page;
}

std::string UpdateMessageText(TUpdateMessage message, int16_t language,
                              const std::string& versionText, const std::string& notes) {
  const RMessageTexts& t = language == 0 ? kRussian : kEnglish;
  // The fixed texts, the version text and the notes are all UTF-8, the program's text.
  const auto fixed = [](const char* text) { return std::string(text); };
  const std::string notesPart = notes.empty() ? std::string() : notes + kParagraph;
  switch (message) {
    case TUpdateMessage::NewVersion:
      return fixed(t.NewVersion);
    case TUpdateMessage::NewVersionWithText:
      return fixed(t.FoundPrefix) + versionText + fixed(t.WithTextEnd) + kParagraph + notesPart +
             fixed(t.WithTextTail);
    case TUpdateMessage::NewVersionWithDownload:
      return fixed(t.FoundPrefix) + versionText + fixed(t.WithDownloadEnd) + kParagraph +
             notesPart + fixed(t.WithDownloadTail);
    case TUpdateMessage::NoUpdate:
      return fixed(t.NoUpdate);
    case TUpdateMessage::ServerNotReachable:
      return fixed(t.ServerNotReachable);
    case TUpdateMessage::AnswerUnreadable:
      return fixed(t.AnswerUnreadable);
  }
  return {};
}

TWebUpdateServices DefaultWebUpdateServices() {
  TWebUpdateServices services;
  services.ShowMessage = [](const std::string& caption, const std::string& text, MessageIcon icon) {
    return ShowMessage(caption, text, icon);
  };
  services.OpenUrl = [](const std::string& url) { return OpenUrl(url); };
  return services;
}

TWebUpdate::TWebUpdate(const std::string& currentBuild, bool waitForResult, bool reportAll,
                       const std::string& caption, int16_t language, const std::string& infoFileEn,
                       const std::string& infoFileRu, const std::string& versionFile,
                       const std::string& baseUrl, TWebUpdateServices services)
    : state_(std::make_shared<TState>()) {
  TState& s = *state_;
  s.CurrentBuild = currentBuild;
  s.BaseURL = baseUrl;
  s.VersionFile = versionFile;
  s.InfoFileRu = infoFileRu;
  s.InfoFileEn = infoFileEn;
  s.Language = language;
  s.Caption = caption.empty() ? std::string("Pallograph") : caption;
  s.ReportAll = reportAll;
  s.ReleasePage = ReleasePageUrl();
  s.Services = std::move(services);
  worker_ = StartSharedWorker(state_, [](TState& state) { CheckForUpdate(state); });
  if (!waitForResult) return;

  bool finished = false;
  for (unsigned waited = 0; waited < kUpdateWaitMs && !finished && !InterruptRequested();
       waited += kUpdateWaitStepMs) {
    {
      std::unique_lock<std::mutex> lock(s.Mutex);
      s.Changed.wait_for(lock, std::chrono::milliseconds(kUpdateWaitStepMs),
                         [&s] { return s.Finished || s.Pending != nullptr; });
    }
    finished = ProcessMessages();
  }
  if (finished) {
    worker_.join();
  } else {
    // Too late: whatever the worker finds is no longer shown.
    waitRanOut_ = true;
    Abandon();
  }
}

void TWebUpdate::Abandon() {
  const std::lock_guard<std::mutex> lock(state_->Mutex);
  if (state_->Finished) return;
  state_->Tag = 1;
  state_->Abandoned = true;
  state_->Pending = nullptr;
  state_->Changed.notify_all();
}

TWebUpdate::~TWebUpdate() {
  Abandon();
  if (worker_.joinable()) worker_.detach();
}

bool TWebUpdate::ProcessMessages() {
  TState& s = *state_;
  std::function<void()> call;
  {
    const std::lock_guard<std::mutex> lock(s.Mutex);
    if (s.Pending == nullptr || s.Abandoned) return s.Finished;
    call = std::move(s.Pending);
    s.Pending = nullptr;
  }
  try {
    call();
  } catch (...) {
    // A message that cannot be shown counts as answered No.
  }
  const std::lock_guard<std::mutex> lock(s.Mutex);
  s.PendingDone = true;
  s.Changed.notify_all();
  return s.Finished;
}

std::vector<std::string> TWebUpdate::Problems() const {
  const std::lock_guard<std::mutex> lock(state_->Mutex);
  return state_->Finished ? state_->Problems : std::vector<std::string>();
}

bool TWebUpdate::DownloadStarted() const {
  const std::lock_guard<std::mutex> lock(state_->Mutex);
  return state_->Finished && state_->DownloadOpened;
}

}  // namespace pallograph
