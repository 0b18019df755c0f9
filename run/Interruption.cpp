#include "run/Interruption.h"

#include <string>

#include "platform/Interrupt.h"
#include "run/ArchiveLibraryChoice.h"
#include "run/OutputFolderLock.h"
#include "run/RunSettings.h"
#include "run/RunTempFolder.h"

namespace pallograph {

void StopIfInterrupted() {
  if (InterruptRequested()) throw TRunInterrupted{};
}

int EndInterruptedRun(TRun& run) {
  const int code = InterruptExitCode();
  run.LogLine("Stopped by " + InterruptName());
  DeleteRunTempFolder(run);
  if (run.OutputLock) RemoveStaleTempPackages(run.Settings.OutputFolder, run.Sink());
  run.SettleEarlierPackages("", false, "the run was stopped");
  RemoveExtractedArchiveLibrary(run);
  const bool held = run.OutputLock != nullptr;
  run.OutputLock.reset();
  run.TempFolderMark.reset();
  run.Console.Line();
  run.Console.ErrorLine("Pallograph: stopped by " + InterruptName() +
                        (held ? "; the temporary files and the output folder's lock were removed"
                              : "; the temporary files were removed"));
  run.LogLine("Exit code: " + std::to_string(code));
  run.Log.reset();
  return code;
}

}  // namespace pallograph
