// Fault injection for tests: the environment variable PALLOGRAPH_FAULT, read once at the first
// file operation, makes chosen file operations fail the way a full disk, a denied folder or a
// vanished file would. Unset (the normal case), every hook returns after one flag test.
//
//   PALLOGRAPH_FAULT = rule[;rule...]      rule = kind[:n]@text
//
// A rule applies to program paths that contain `text` (case-sensitive); n defaults to 1.
//   create:n@text    the n-th creation of such a file fails (TFile Create/Append)
//   full:n@text      writes to such files fail once n bytes in total went to them (disk full)
//   mkdir@text       creating such a folder fails (ForceDirectories)
//   rename:n@text    the n-th rename onto such a path fails
//   truncate:n@text  the n-th read-open of such a file first cuts the file to half its size
//   remove:n@text    the n-th read-open of such a file first deletes it
//   vanish:n@text    before the n-th creation of such a file, the run's temporary folder (the
//                    first folder below the system temporary folder on that path) is deleted;
//                    that creation fails as in the vanished folder
//   throw:n@text     the n-th open of such a file throws std::runtime_error (an exception the
//                    program does not expect, wherever that open happens)
// Meant for tests and fault campaigns only; the hooks are called by the platform's file code and
// are safe from any thread.
#pragma once

#include <cstddef>
#include <string>

namespace pallograph::fault {

// True when PALLOGRAPH_FAULT named at least one rule.
bool Active();

// Before a file is opened. True when the open must fail; throws for a "throw" rule. May change the
// file first (truncate, remove, vanish rules). `handle_key` identifies the file for later writes
// once it is open.
bool OnOpen(const std::string& path, bool create);
// After a successful open for writing: ties the handle to the path for the "full" rule.
void OnOpened(const void* handle_key, const std::string& path);
// Before a write of `size` bytes; true when it must fail.
bool OnWrite(const void* handle_key, size_t size);
void OnClose(const void* handle_key);
// Before a folder is created / a file renamed onto `to`; true when the call must fail.
bool OnMakeDirectory(const std::string& path);
bool OnRename(const std::string& to);

}  // namespace pallograph::fault
