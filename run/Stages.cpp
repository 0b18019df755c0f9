#include "run/Stages.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/Wotmod.h"
#include "configs/CfgFile.h"
#include "mods/CamoRepaint.h"
#include "mods/DDSRepaint.h"
#include "mods/SpaceBinPatch.h"
#include "mods/VisualCrashTanks.h"
#include "mods/VisualCrashTracks.h"
#include "mods/VisualScan.h"
#include "platform/Console.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "platform/Interrupt.h"
#include "platform/LastError.h"
#include "platform/MainThreadQueue.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "run/CommandLineReader.h"
#include "run/Interruption.h"
#include "run/OldWotmods.h"
#include "run/PackageNames.h"
#include "run/PackageRoots.h"
#include "run/ProgramInfo.h"
#include "run/ProgressLine.h"
#include "run/RunSettings.h"
#include "run/RunTempFolder.h"
#include "run/StageTable.h"
#include "texture/DDSTexture.h"
#include "texture/WorkerPool.h"

namespace pallograph {

namespace {

constexpr const char* kResultIndent = "          ";  // per-item result lines

std::string ModVersion(const TRun& run) {
  return std::string(kProgramVersion) + "." + kProgramBuild + "." + run.Settings.RunStamp;
}

// Where a stage writes: loose files go straight to the output folder; everything else is
// gathered in the run's temporary "res\" folder.
std::string StageFolder(const TRun& run) {
  return run.Settings.WithoutWotmod ? run.Settings.OutputFolder : run.Settings.TempResFolder;
}

// One job's result on its console line, shared by the thread and the synchronous jobs.
void ReportJobResult(TRun& run, const TStageRow& row, const std::string& error_text,
                     int32_t files_count) {
  run.StageFiles += files_count;
  if (!error_text.empty()) {
    // The record names program paths and entries: shown in the system's form, once (in the
    // message), and logged.
    const std::string shown = ToNativePath(error_text);
    run.Fail(row.JobErrorCode);
    run.LogLine("Failure " + std::to_string(row.JobErrorCode) + ": " + OneLine(shown));
    if (!run.Settings.SilentMode) {
      ShowMessage(kProgramName,
                  "An error occurred while working with one of the files!\r\n\r\n" + shown,
                  MessageIcon::Error);
    }
    run.Console.Line("Failed!");
  } else {
    run.Console.Line(FilesCountText(files_count));
  }
}

// A config file of the run: in the configs folder, or, where a dry run of an installed program
// finds none there, the shipped copy that a real run would have put there first.
std::string ConfigFilePath(const TRunSettings& s, const std::string& name) {
  if (!s.ConfigsFallback.empty() && !FileExists(s.ConfigsFolder + name)) {
    return s.ConfigsFallback + name;
  }
  return s.ConfigsFolder + name;
}

// Parses the stage's config; false (with the stage's code and message) when it is unusable.
bool ReadStageConfig(TRun& run, const TStageRow& row, RCfgFile& config) {
  const std::string file = ConfigFilePath(run.Settings, row.ConfigFile);
  config = ParseCfgFile(file);
  char line[1024];
  std::snprintf(line, sizeof(line), "Parse Config File (Version: %d, CfgFile.Roots: %d, File: %s)",
                config.Version, static_cast<int>(config.Roots.size()),
                ToNativePath(config.FileName).c_str());
  run.LogLine(line);
  if (config.Version > 0 && !config.Roots.empty()) return true;
  run.Fail(row.NoConfigCode, "Config file \"" + ToNativePath(file) + "\" " +
                                 (FileExists(file) ? CfgUnusableReason(config) : "not found"));
  run.Console.Line("    Not found cfg-file!");
  run.Console.Line();
  return false;
}

// The packages a package config's roots name, each once. Configs come from the network: a root
// that would leave the client folder is refused, on standard error and in the run log.
ARFiles ConfigPackages(TRun& run, const TStageRow& row, const RCfgFile& config) {
  std::vector<std::string> refused;
  ARFiles packages = ExpandPackageRoots(run.Client, config.Roots, &refused);
  for (const std::string& root : refused) {
    const std::string text = std::string(row.ConfigFile) +
                             ": root refused, a package must lie inside the client folder: " + root;
    run.Console.ErrorLine("Pallograph: " + text);
    run.LogLine(text);
  }
  return packages;
}

// Writes meta.xml into the package root and packs the root into the output folder (or its
// sub-folder); the package's file name on success. A refused name fails with its refusal.
RResult PackPackageRoot(TRun& run, const std::string& package_root, int meta_kind,
                        const char* name_option, const char* meta_option, bool split_and_log,
                        std::string& file_name) {
  TCommandLineReader& reader = *run.Reader;
  const bool split = split_and_log && reader.OptionSwitch("split-2gb-parts");
  // The run refused such a name before its first stage; a package never lands outside.
  const std::string refusal =
      RefusedPackageName(reader, name_option, run.Settings.Subfolder, split);
  if (!refusal.empty()) return RResult::Failure(refusal);
  const std::string version = ModVersion(run);
  run.LogLine("Creating Meta.xml...");
  ClearLastFileError();
  if (!WriteMetaFile(package_root + "meta.xml",
                     MakeMetaText(meta_kind, version, reader.OptionText(meta_option)))) {
    return RResult::Failure("Cannot write meta.xml: " + LastFileError());
  }
  run.LogLine("Meta.xml created");
  const std::string relative =
      WotmodFileName(meta_kind, reader.OptionText(name_option), version, run.Settings.Subfolder,
                     reader.OptionText("subfolder-wotmod-name"));
  file_name = ExtractFileName(relative);
  const std::string path = run.Settings.OutputFolder + relative;
  run.LogLine("Packing wotmod-file: " + ToNativePath(path));
  RResult packed = PackWotmod(run.Settings.ArchiveLibraryFile, path, package_root, split,
                              split_and_log ? run.Sink() : LogSink());
  // The packer's causes name program paths.
  if (!packed) packed.Cause = ToNativePath(packed.Cause);
  return packed;
}

// Packages that earlier runs left of the same mod pile up unless --remove-wotmod is given: the
// game loads every one of them.
void NoteEarlierPackages(TRun& run, int meta_kind, const std::string& file_name) {
  if (run.Reader->OptionSwitch("remove-wotmod")) return;
  // The mod's default name up to its version.
  const std::string prefix = std::string(kModKinds[static_cast<size_t>(meta_kind)].Id) + "_";
  const std::string stem = file_name.substr(0, file_name.size() - ExtractFileExt(file_name).size());
  const int earlier = CountOldWotmods(run.Settings.OutputFolder, prefix, stem);
  if (earlier == 0) return;
  run.Console.Line("    Earlier packages of this mod in " +
                   ToNativePath(run.Settings.OutputFolder) + ": " + std::to_string(earlier) +
                   " (the game loads them all; --remove-wotmod deletes them first)");
  run.LogLine("Earlier packages of this mod: " + std::to_string(earlier));
}

void ReportPacked(TRun& run, int meta_kind, const std::string& file_name) {
  run.Console.Line("OK");
  run.Console.Line("    Created files:");
  run.Console.Line(kResultIndent + file_name);
  run.LogLine("Packaging is complete");
  NoteEarlierPackages(run, meta_kind, file_name);
}

// The packing tail every stage shares.
void PackStage(TRun& run, const TStageRow& row, const std::string& stage_folder) {
  run.Console.Write("    Files packing... ");
  if (FolderIsEmpty(stage_folder)) {
    run.Console.Line(row.EmptyMessage);
    run.Fail(row.EmptyCode, "Nothing to pack: the stage changed no file of the client's packages");
    return;
  }
  std::string file_name;
  const RResult packed =
      PackPackageRoot(run, run.Settings.RunTempFolder, row.MetaKind, row.NameOption, row.MetaOption,
                      row.SplitAndLog, file_name);
  // The mod's earlier packages go once the new one is in place, and come back when it is not.
  const std::string earlier = std::string(kModKinds[static_cast<size_t>(row.MetaKind)].Id) + "_";
  if (packed) {
    ReportPacked(run, row.MetaKind, file_name);
    run.SettleEarlierPackages(earlier, true, "");
  } else {
    run.Console.Line("Failed to create wotmod-file!");
    run.Fail(row.PackFailedCode, packed.Cause);
    run.PackingFailed = true;
    run.SettleEarlierPackages(earlier, false, "the packing of their mod failed");
  }
}

// A dry run's end of a stage: what the packing tail would have found, without packing.
void FinishDryStage(TRun& run, const TStageRow& row) {
  run.RunFiles += run.StageFiles;
  if (run.StageFiles == 0) {
    run.Console.Line(std::string("    ") + row.EmptyMessage);
    if (!run.Settings.WithoutWotmod && !run.Settings.AllInOne) {
      run.Fail(row.EmptyCode, "Dry run: the stage would change no file of the client's packages");
    }
  } else {
    run.Console.Line("    Dry run: " + std::to_string(run.StageFiles) +
                     (run.StageFiles == 1 ? " file" : " files") +
                     " would be changed; nothing was written");
  }
  run.Console.Line();
}

void FinishStage(TRun& run, const TStageRow& row, const std::string& stage_folder) {
  if (run.Settings.DryRun) {
    FinishDryStage(run, row);
    return;
  }
  if (!run.Settings.WithoutWotmod && !run.Settings.AllInOne) {
    PackStage(run, row, stage_folder);
    run.Console.Write("    Delete temporary files... ");
    DeleteRunTempFolder(run);
    run.Console.Line("OK");
  }
  run.Console.Line();
}

// --- crash stages: one worker thread per package -------------------------------------------

struct TCrashWorker {
  std::unique_ptr<ThVisualScan> Job;
  std::string PackageName;
};

void RunCrashWorkers(TRun& run, const TStageRow& row, std::vector<TCrashWorker>& pending,
                     TMainThreadQueue& queue) {
  std::vector<TCrashWorker> running;
  // After a stop request no worker starts; those running finish their package.
  const auto start_more = [&] {
    while (!pending.empty() && !InterruptRequested() &&
           static_cast<int32_t>(running.size()) < run.Settings.WorkerLimit) {
      running.push_back(std::move(pending.back()));
      pending.pop_back();
      running.back().Job->Start();
    }
  };
  start_more();
  while (!running.empty() || (!pending.empty() && !InterruptRequested())) {
    // Woken at once by a worker's call for the main thread or by a worker's end.
    queue.WaitForCall(10);
    for (size_t i = running.size(); i-- > 0;) {
      if (running[i].Job->WaitFor(0)) {
        run.Console.Write(kResultIndent + PadRight(running[i].PackageName, 35));
        ReportJobResult(run, row, running[i].Job->ErrorText(), running[i].Job->FilesCount());
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
      }
      queue.CheckSynchronize();
    }
    start_more();
  }
  StopIfInterrupted();
}

void RunCrashStage(TRun& run, const TStageRow& row) {
  TRunSettings& s = run.Settings;
  run.Console.Line(row.Heading);
  run.LogLine(row.LogStart);
  RCfgFile config;
  if (!ReadStageConfig(run, row, config)) return;
  run.Console.Line("    Processing:");
  const std::string stage_folder = StageFolder(run);

  TMainThreadQueue queue;
  std::vector<TCrashWorker> pending;
  const bool tanks = row.Kind == TStageKind::CrashTanks;
  const ARFiles packages = ConfigPackages(run, row, config);
  for (size_t r = packages.size(); r-- > 0;) {
    const RFiles& root = packages[r];
    TCrashWorker worker;
    worker.PackageName = ExtractFileName(root.Name);
    if (tanks) {
      auto job = std::make_unique<ThVisualCrashTanks>(root, run.Sink(), stage_folder,
                                                      run.Client.Path, s.ArchiveLibraryFile, queue);
      job->RemoveShadows = s.RemoveShadowsOn;
      worker.Job = std::move(job);
    } else {
      worker.Job = std::make_unique<ThVisualCrashTracks>(
          root, run.Sink(), stage_folder, run.Client.Path, s.ArchiveLibraryFile, queue);
    }
    worker.Job->SetDryRun(s.DryRun);
    pending.push_back(std::move(worker));
    char line[1024];
    std::snprintf(line, sizeof(line), "Create %s (No: %d, RootName: %s)",
                  tanks ? "ThVisualCrashTanks" : "ThVisualCrashTracks",
                  static_cast<int>(pending.size()), ToNativePath(root.Name).c_str());
    run.LogLine(line);
    if (s.TestMode) break;
  }
  if (!pending.empty()) {
    run.LogLine("Created threads: " + std::to_string(pending.size()));
    RunCrashWorkers(run, row, pending, queue);
  }

  if (!s.DryRun && !FolderIsEmpty(stage_folder)) {
    run.LogLine("Creating DDS...");
    ForceDirectories(stage_folder + "vehicles\\");
    // The patched models point at these textures: a package without them would be broken.
    const auto create = [&](const char* name, const std::string& color) {
      const RResult created = CreateColorDDS4x4(stage_folder + "vehicles\\" + name, color, false);
      if (!created) run.Fail(row.JobErrorCode, ToNativePath(created.Cause));
    };
    if (tanks) {
      create("tank_crash.dds", s.DPTColor);
      create("inside_crash.dds", s.InsideColor);
    } else {
      create("track_crash.dds", s.CCTColor);
    }
    run.LogLine("DDS created");
  }
  FinishStage(run, row, stage_folder);
}

// --- map, space.bin and camouflage stages: one job at a time on the main thread -------------

// Prints the package's line head, runs the job, prints its result. True when the walk goes on.
template <typename Job, typename Calls>
bool RunPackageJob(TRun& run, const TStageRow& row, const std::string& package,
                   const std::string& stage_folder, TWorkerPool* workers, Calls calls) {
  StopIfInterrupted();
  const std::string head = kResultIndent + PadRight(ExtractFileName(package), 40);
  run.Console.Write(head);
  Job job(package, run.Sink(), stage_folder, run.Client.Path, run.Settings.ArchiveLibraryFile);
  job.SetDryRun(run.Settings.DryRun);
  job.SetWorkers(workers);
  TProgressText progress(run.Console, head);
  // Called after each wanted entry: a stop request ends the job's walk there (the job takes the
  // exception for its error record, which the stop makes moot).
  job.SetProgress([&progress](uint32_t done, uint32_t wanted) {
    StopIfInterrupted();
    if (progress.Shown()) progress.Show(done, wanted);
  });
  calls(job);
  progress.Clear();
  if (InterruptRequested()) {
    run.Console.Line("Stopped");
    throw TRunInterrupted{};
  }
  ReportJobResult(run, row, job.ErrorText(), job.FilesCount());
  return !(run.Settings.TestMode && job.FilesCount() > 0);
}

void RunMapStage(TRun& run, const TStageRow& row) {
  TRunSettings& s = run.Settings;
  const bool include_hd = !s.WithoutHD;
  run.Console.Line(row.Heading);
  RCfgFile config;
  if (row.Kind == TStageKind::SpaceBin) {
    run.Console.Line("    Processing... ");
    run.LogLine(row.LogStart);
  } else {
    run.LogLine(row.LogStart);
    if (!ReadStageConfig(run, row, config)) return;
    run.Console.Line("    Processing... ");
  }
  const std::string stage_folder = StageFolder(run);
  // The texture stages' workers live from the first package to the last; with one processor
  // the main thread does it all.
  std::optional<TWorkerPool> stage_workers;
  if (!s.DryRun && row.Kind != TStageKind::SpaceBin && s.WorkerLimit > 1) {
    stage_workers.emplace(static_cast<unsigned>(s.WorkerLimit));
  }
  TWorkerPool* const workers = stage_workers ? &*stage_workers : nullptr;

  switch (row.Kind) {
    case TStageKind::MapTanks:
    case TStageKind::MapTrains: {
      const std::string& color = row.Kind == TStageKind::MapTanks ? s.MEMColor : s.CTMColor;
      for (const std::string& package : run.Client.MapAndSharedPackages) {
        if (!FileExists(package)) continue;
        if (!RunPackageJob<TDDSRepaint>(run, row, package, stage_folder, workers,
                                        [&](TDDSRepaint& job) {
                                          job.AddFiles(config.Roots, color);
                                          job.Repaint(include_hd);
                                        })) {
          break;
        }
      }
      break;
    }
    case TStageKind::SpaceBin: {
      for (const std::string& package : run.Client.MapPackages) {
        if (!FileExists(package)) continue;
        if (!RunPackageJob<TSpaceBinPatch>(
                run, row, package, stage_folder, workers, [&](TSpaceBinPatch& job) {
                  // Both configs are read again for every package.
                  if (!s.SpaceBinTankColor.empty()) {
                    job.AddFiles(ParseCfgFile(ConfigFilePath(s, "MapTanks.cfg")).Roots,
                                 s.SpaceBinTankColor);
                  }
                  if (!s.SpaceBinTrainColor.empty()) {
                    job.AddFiles(ParseCfgFile(ConfigFilePath(s, "MapTrains.cfg")).Roots,
                                 s.SpaceBinTrainColor);
                  }
                  job.Patch();
                })) {
          break;
        }
      }
      break;
    }
    case TStageKind::Camouflage: {
      for (const RFiles& root : ConfigPackages(run, row, config)) {
        const std::string package = run.Client.Path + root.Name;
        if (!RunPackageJob<TCamoRepaint>(run, row, package, stage_folder, workers,
                                         [&](TCamoRepaint& job) {
                                           job.SetFilter(root.Files);
                                           job.Repaint(s.CamoPercent, include_hd);
                                         })) {
          break;
        }
      }
      break;
    }
    default:
      break;
  }
  FinishStage(run, row, stage_folder);
}

void RunAllInOne(TRun& run) {
  TRunSettings& s = run.Settings;
  if (s.DryRun) {
    if (run.RunFiles == 0) {
      run.Console.Line("  > Dry run: Not found textures!");
      run.Fail(kExitAllInOneEmpty, "Dry run: no stage would change a file");
      run.Console.Line();
    }
    return;
  }
  run.Console.Write("  > Files packing... ");
  run.LogLine("Create AllMods...");
  if (FolderIsEmpty(s.TempResFolder)) {
    run.Console.Line("Not found textures!");
    run.Fail(kExitAllInOneEmpty, "Nothing to pack: no stage found a file to change");
  } else {
    std::string file_name;
    const RResult packed = PackPackageRoot(run, s.RunTempFolder, 0, "allinone-wotmod-name",
                                           "allinone-wotmod-meta", true, file_name);
    if (packed) {
      ReportPacked(run, 0, file_name);
    } else {
      run.Console.Line("Failed to create wotmod-file!");
      run.Fail(kExitAllInOnePackFailed, packed.Cause);
      run.PackingFailed = true;
    }
    run.Console.Write("    Delete temporary files... ");
    DeleteRunTempFolder(run);
    run.Console.Line("OK");
  }
  run.Console.Line();
}

}  // namespace

void RunStages(TRun& run) {
  // The archive library stays loaded from the first stage to the last. Every reader and writer,
  // on any thread, loads and releases it; held here, its set-up and clean-up run once instead
  // of whenever one thread's last reader closes while another thread opens one.
  TDynamicLibrary archive_library;
  archive_library.Load(run.Settings.ArchiveLibraryFile);  // a failure is for each reader to report
  KeepFreedMemoryForReuse();
  for (const TStageRow& row : kStages) {
    if (!(run.Settings.*row.On)) continue;
    StopIfInterrupted();
    run.StageFiles = 0;
    if (row.Runner == TStageRunner::CrashWorkers) {
      RunCrashStage(run, row);
    } else {
      RunMapStage(run, row);
    }
  }
  StopIfInterrupted();
  if (run.Settings.AllInOne && !run.Settings.WithoutWotmod) RunAllInOne(run);
  // Whatever happened above, the run leaves no temporary folder behind.
  if (!run.Settings.WithoutWotmod) DeleteRunTempFolder(run);
}

}  // namespace pallograph
