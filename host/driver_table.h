// A graphics driver as the host binds it: the module, its DRVFN rows by index,
// and the record of what the run said (trace lines, failed or fallen-back
// drawing calls, warnings).
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/gdi/eng_services.h"
#include "platform/win/win_module.h"

namespace pkhost {

// What a run reports besides its result: one trace line per DDI call and
// document event (also written to a file when one is given), drawing calls the
// driver failed or handed back to the engine, and warnings.
class RunLog {
 public:
  ~RunLog();
  bool OpenTraceFile(const std::string& path);  // false when it cannot be made
  // The line, and in the trace file `fileDetail` after it (an escape's answer).
  void Trace(const std::string& line, const std::string& fileDetail = std::string());
  void Failure(const std::string& text) { failures_.push_back(text); }
  void Warning(const std::string& text) { warnings_.push_back(text); }
  const std::vector<std::string>& trace() const { return trace_; }
  const std::vector<std::string>& failures() const { return failures_; }
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  std::FILE* file_ = nullptr;
  std::vector<std::string> trace_;
  std::vector<std::string> failures_;
  std::vector<std::string> warnings_;
};

class DriverTable {
 public:
  static constexpr ULONG kSlots = INDEX_LAST + 1;

  DriverTable() = default;
  DriverTable(const DriverTable&) = delete;
  DriverTable& operator=(const DriverTable&) = delete;
  ~DriverTable();

  // Loads the module, calls DrvEnableDriver and binds the rows. On failure
  // `error` names what is missing and nothing stays loaded.
  bool Load(const std::u16string& path, RunLog& log, std::string* error);
  // Binds the rows of a driver linked into the program, with no module to
  // load or release (the in-process runs of the host's replay).
  void BindRows(const DRVFN* rows, ULONG count);
  // DrvDisableDriver and the module's release.
  void Unload(RunLog& log);

  PFN at(ULONG index) const { return index < kSlots ? fns_[index] : nullptr; }
  template <typename F>
  F get(ULONG index) const {
    return reinterpret_cast<F>(at(index));
  }
  const std::vector<DRVFN>& rows() const { return rows_; }
  bool loaded() const { return module_ != nullptr; }

 private:
  HMODULE module_ = nullptr;
  std::array<PFN, kSlots> fns_{};
  std::vector<DRVFN> rows_;
  PFN_DrvDisableDriver disable_ = nullptr;
};

// The Windows name of an entry point index ("DrvBitBlt"), or "entry <n>".
std::string EntryName(ULONG index);

}  // namespace pkhost
