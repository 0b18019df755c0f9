#include "mods/SpaceBinPatch.h"

#include <algorithm>
#include <cstring>

#include "mods/JobErrors.h"
#include "mods/PackageReader.h"
#include "mods/RepaintCache.h"
#include "mods/SpaceBinTextures.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/NamePattern.h"
#include "platform/PathText.h"
#include "platform/Stream.h"

namespace pallograph {

void TSpaceBinPatch::AddFiles(const ARFiles& roots, const std::string& color) {
  for (const RFiles& root : roots) {
    const size_t count = root.Count > 0 ? std::min<size_t>(root.Count, root.Files.size()) : 0;
    for (size_t i = 0; i < count; ++i) {
      if (root.Files[i].find("_hd.dds") != std::string::npos) continue;
      files_.push_back(RDDSFile{BackslashesToSlashes(root.Name + root.Files[i]), color, false});
      patternTaken_.emplace_back();
    }
  }
}

std::string TSpaceBinPatch::TakeColor(const std::string& textureName) {
  for (size_t i = 0; i < files_.size(); ++i) {
    const RDDSFile& file = files_[i];
    if (HasWildcards(file.Name)) {
      // A pattern stays listed for the other names it matches; each name it takes once.
      if (MatchesPattern(file.Name, textureName) &&
          patternTaken_[i].insert(LowerCaseAscii(textureName)).second) {
        return file.Color;
      }
    } else if (SameTextAscii(file.Name, textureName)) {
      std::string color = file.Color;
      files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(i));
      patternTaken_.erase(patternTaken_.begin() + static_cast<std::ptrdiff_t>(i));
      return color;
    }
  }
  return {};
}

std::vector<TSpaceBinPatch::RReplacement> TSpaceBinPatch::RepaintTextures(TSpaceBinBytes& bytes) {
  std::vector<RReplacement> replacements;
  WalkSpaceBinTextures(bytes, [&](const RSpaceBinTexture& texture) {
    const std::string color = TakeColor(texture.Name);
    if (color.empty()) return true;
    // The repaint works on a copy: a repaint that fails half-way never reaches the file.
    std::vector<uint8_t> repainted(texture.BlobLength);
    if (!repainted.empty()) {
      bytes.Read(static_cast<int64_t>(texture.BlobOffset), repainted.data(), repainted.size());
    }
    if (SharedRepaintCache().Repaint(repainted, color + "FF") && !repainted.empty() &&
        repainted.size() <= texture.BlobLength) {
      replacements.push_back(RReplacement{texture.BlobOffset, std::move(repainted)});
    }
    return !files_.empty();
  });
  return replacements;
}

bool TSpaceBinPatch::PatchData(TBytesArray& data) {
  TSpaceBinMemory bytes(data);
  const std::vector<RReplacement> replacements = RepaintTextures(bytes);
  for (const RReplacement& replacement : replacements) {
    std::memcpy(data.data() + replacement.Offset, replacement.Bytes.data(),
                replacement.Bytes.size());
  }
  return !replacements.empty();
}

void TSpaceBinPatch::Patch() {
  if (files_.empty()) return;
  // Only the first space.bin of the package is handled.
  WalkPackage(
      [](const std::string& name) {
        return LowerCaseAscii(name).find("space.bin") != std::string::npos;
      },
      [this](TPackageReader& reader, uint32_t index, const std::string& name) {
        if (dryRun_) {
          ChooseTextures(reader, index, name);
        } else {
          PatchEntry(reader, index, name);
        }
        EntryDone();
        return false;
      });
}

void TSpaceBinPatch::ChooseTextures(TPackageReader& reader, uint32_t index,
                                    const std::string& name) {
  try {
    if (LogEnabled()) Log("Read \t" + name);
    TMemoryStream stream;
    reader.Extract(index, stream, TEntryKind::SpaceBin);
    int32_t chosen = 0;
    WalkSpaceBinTextures(stream.Data(), [&](const RSpaceBinTexture& texture) {
      if (TakeColor(texture.Name).empty()) return true;
      if (LogEnabled()) Log("Choose \t" + name + ": " + texture.Name);
      ++chosen;
      return !files_.empty();
    });
    if (chosen > 0) ++filesCount_;
  } catch (const EEntryTooLarge& error) {
    if (LogEnabled()) Log("Refused \t" + name + ": " + error.what());
    errorText_ = ExceptionRecord(pkgFile_, name, error);
  } catch (const ERangeError& damage) {
    if (LogEnabled()) Log("Damaged \t" + name + ": " + damage.what());
    errorText_ = DamagedFileRecord(pkgFile_, name, damage.what());
  }
}

void TSpaceBinPatch::PatchEntry(TPackageReader& reader, uint32_t index, const std::string& name) {
  const std::string target = outPath_ + name;
  ClearLastFileError();
  try {
    if (ForceDirectories(ExtractFilePath(target))) {
      if (LogEnabled()) Log("Read \t" + name);
      TFileStream out(target, TFile::Mode::Create);
      if (!out.IsOpen()) throw EInOutError("Cannot create " + target);
      reader.Extract(index, out, TEntryKind::SpaceBin);
      if (!out.Close()) throw EInOutError("Cannot write " + target);
    }
    if (!FileExists(target)) return;
    // The file is patched where it lies: only the listed textures are read, and only the
    // repainted ones written back over their records.
    bool changed = false;
    {
      TFile file;
      if (!file.Open(target, TFile::Mode::ReadWrite)) {
        throw EInOutError("Unable to read file: " + target);
      }
      TSpaceBinFile bytes(file, target);
      const std::vector<RReplacement> replacements =
          bytes.Size() > 0 ? RepaintTextures(bytes) : std::vector<RReplacement>();
      changed = !replacements.empty();
      if (changed) {
        if (LogEnabled()) Log("Write \t" + target);
        for (const RReplacement& replacement : replacements) {
          if (!file.Seek(static_cast<int64_t>(replacement.Offset)) ||
              !file.WriteExact(replacement.Bytes.data(), replacement.Bytes.size())) {
            throw EInOutError("Cannot write " + target);
          }
        }
        if (!file.Close()) throw EInOutError("Cannot write " + target);
      }
    }
    if (!changed) {
      DeleteTarget(target);
      return;
    }
    ++filesCount_;
  } catch (const EEntryTooLarge& error) {
    DeleteTarget(target);
    if (LogEnabled()) Log("Refused \t" + name + ": " + error.what());
    errorText_ = ExceptionRecord(pkgFile_, name, error);
  } catch (const ERangeError& damage) {
    // A record that does not fit the file: the space.bin is damaged, not the disk.
    DeleteTarget(target);
    if (LogEnabled()) Log("Damaged \t" + name + ": " + damage.what());
    errorText_ = DamagedFileRecord(pkgFile_, name, damage.what());
  } catch (const std::exception& error) {
    // A failed package contributes nothing: neither a partial nor an unpatched copy stays.
    // Taken before the clean-up, whose file calls may set a last error of their own.
    const std::string cause = WithLastFileError(error.what());
    DeleteTarget(target);
    errorText_ = WriteFailureRecord(pkgFile_, name, cause);
  } catch (...) {
    DeleteTarget(target);
    errorText_ = WriteFailureRecord(pkgFile_, name);
  }
}

void TSpaceBinPatch::DeleteTarget(const std::string& target) const {
  DeleteFileAt(target);
  std::string folder = ExtractFilePath(target);
  while (folder.size() > outPath_.size() && StartsWith(folder, outPath_) &&
         RemoveDirectoryAt(folder)) {
    folder = ExtractFilePath(ExcludeTrailingBackslash(folder));
  }
}

}  // namespace pallograph
