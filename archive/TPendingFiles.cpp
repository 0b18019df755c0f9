#include "archive/TPendingFiles.h"

#include "platform/FileSystem.h"
#include "platform/System.h"

namespace pallograph {

TPendingFiles::~TPendingFiles() { Discard(); }

std::string TPendingFiles::Add(const std::string& target) {
  // The ending keeps the game from taking a half-written file for a package.
  std::string temporary = target + "." + NewGuidText() + ".tmp";
  entries_.push_back({temporary, target});
  return temporary;
}

bool TPendingFiles::Commit() {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!RenameFileAt(entries_[i].Temporary, entries_[i].Target)) {
      for (size_t done = 0; done < i; ++done) DeleteFileAt(entries_[done].Target);
      Discard();
      return false;
    }
  }
  entries_.clear();
  return true;
}

void TPendingFiles::Discard() {
  for (const TEntry& entry : entries_) DeleteFileAt(entry.Temporary);
  entries_.clear();
}

}  // namespace pallograph
