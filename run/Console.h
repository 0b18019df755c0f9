// The console of the run: every line the program prints goes through here, so that silent mode
// can switch everything off in one place. Main thread only.
#pragma once

#include <string>

namespace pallograph {

class TConsole {
 public:
  // Silent mode: nothing is printed, nothing is read.
  void SetSilent(bool silent) { silent_ = silent; }
  bool Silent() const { return silent_; }
  // Not silent, and standard output is a terminal: a line may be rewritten in place.
  bool Interactive() const;

  // The text and a line break; with no text, an empty line. CR LF inside the text becomes the
  // system's line break.
  void Line(const std::string& text = "");
  // The text without a line break, flushed; CR LF as in Line.
  void Write(const std::string& text);
  // The text as one line on standard error (line breaks inside it become " / ").
  void ErrorLine(const std::string& text);
  // One line from standard input without its line break; "" at once in silent mode or at the
  // end of the input. Throws TRunInterrupted when a stop request arrives while it waits.
  std::string ReadLine();

 private:
  bool silent_ = false;
};

// The text with every line break (CR LF, CR or LF) replaced by " / ".
std::string OneLine(const std::string& text);
// Pads `text` with blanks up to `width` characters (nothing when it is longer).
std::string PadRight(const std::string& text, size_t width);
// "OK", "OK (1 file)" or "OK (n files)" for a count of written files.
std::string FilesCountText(int count);

}  // namespace pallograph
