#include "mods/SpaceBinPatch.h"

#include <algorithm>
#include <cstring>

#include "mods/JobErrors.h"
#include "mods/PackageReader.h"
#include "mods/RepaintCache.h"
#include "mods/SpaceBinTextures.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/PathText.h"
#include "platform/Stream.h"

namespace pallograph {

void TSpaceBinPatch::AddFiles(const ARFiles& roots, const std::string& color) {
  for (const RFiles& root : roots) {
    const size_t count = root.Count > 0 ? std::min<size_t>(root.Count, root.Files.size()) : 0;
    for (size_t i = 0; i < count; ++i) {
      if (root.Files[i].find("_hd.dds") != std::string::npos) continue;
      files_.push_back(RDDSFile{BackslashesToSlashes(root.Name + root.Files[i]), color, false});
    }
  }
}

std::string TSpaceBinPatch::TakeColor(const std::string& textureName) {
  const auto found = std::find_if(files_.begin(), files_.end(), [&](const RDDSFile& file) {
    return SameTextAscii(file.Name, textureName);
  });
  if (found == files_.end()) return {};
  std::string color = std::move(found->Color);
  files_.erase(found);
  return color;
}

bool TSpaceBinPatch::PatchData(TBytesArray& data) {
  bool changed = false;
  WalkSpaceBinTextures(data, [&](const RSpaceBinTexture& texture) {
    const std::string color = TakeColor(texture.Name);
    if (color.empty()) return true;
    // The repaint works on a copy: a repaint that fails half-way never reaches the file.
    std::vector<uint8_t> repainted(data.begin() + texture.BlobOffset,
                                   data.begin() + texture.BlobOffset + texture.BlobLength);
    if (SharedRepaintCache().Repaint(repainted, color + "FF") && !repainted.empty() &&
        repainted.size() <= texture.BlobLength) {
      std::memcpy(data.data() + texture.BlobOffset, repainted.data(), repainted.size());
      changed = true;
    }
    return !files_.empty();
  });
  return changed;
}

void TSpaceBinPatch::Patch() {
  if (files_.empty()) return;
  // Only the first space.bin of the package is handled.
  WalkPackage(
      [](const std::string& name) {
        return LowerCaseAscii(name).find("space.bin") != std::string::npos;
      },
      [this](TPackageReader& reader, uint32_t index, const std::string& name) {
        PatchEntry(reader, index, name);
        return false;
      });
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
    TBytesArray data = FileToBytes(target);
    if (data.empty() || !PatchData(data)) {
      DeleteTarget(target);
      return;
    }
    if (LogEnabled()) Log("Write \t" + target);
    if (!BytesToFile(data, target)) throw EInOutError("Cannot write " + target);
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
