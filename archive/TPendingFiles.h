// A set of files written under temporary names beside their targets, renamed into place together
// once all are written. Until then the targets keep their old content; files not committed are
// deleted when the set goes.
#pragma once

#include <string>
#include <vector>

namespace pallograph {

class TPendingFiles {
 public:
  TPendingFiles() = default;
  ~TPendingFiles();
  TPendingFiles(const TPendingFiles&) = delete;
  TPendingFiles& operator=(const TPendingFiles&) = delete;

  // A new temporary path (program path) in the target's folder for the target's content.
  std::string Add(const std::string& target);
  // Renames every temporary file to its target, replacing existing files. When a rename fails,
  // removes every file of the set (also those already renamed) and returns false.
  bool Commit();
  // Deletes the temporary files now.
  void Discard();

 private:
  struct TEntry {
    std::string Temporary;
    std::string Target;
  };
  std::vector<TEntry> entries_;
};

}  // namespace pallograph
