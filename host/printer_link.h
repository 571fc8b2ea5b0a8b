// The spooler side of the host: opening the printer (the default one when no
// name is given), reading its driver's two libraries and default DEVMODE, the
// raw job on the printer handle, and the bytes of the jobs a run made.
#pragma once

#include <string>
#include <vector>

#include "host/print_session.h"

namespace pkhost {

struct OpenedPrinter {
  HANDLE handle = nullptr;
  std::u16string name;
  std::u16string driverPath;     // pDriverPath of the driver record
  std::u16string interfacePath;  // pConfigFile
  std::vector<uint8_t> devMode;  // the printer's default DEVMODE
};

// The default printer's name (empty when there is none).
std::u16string DefaultPrinterName();

// Opens the printer and reads its driver record (level 2) and default
// DEVMODE. False with the reason when the printer or its driver is not set up.
bool OpenPrinterForHost(const std::u16string& name, OpenedPrinter* out, std::string* error);
void ClosePrinterForHost(OpenedPrinter* printer);

// The document's RAW job on the printer handle. An aborted job is not ended:
// closing the handle leaves it incomplete, so it is never printed.
class SpoolerJob : public JobPort {
 public:
  explicit SpoolerJob(HANDLE printer) : printer_(printer) {}
  DWORD StartDoc(const std::u16string& name) override;
  bool EndDoc() override;
  void AbortDoc() override { open_ = false; }
  DWORD jobId() const { return jobId_; }

 private:
  HANDLE printer_;
  DWORD jobId_ = 0;
  bool open_ = false;
};

// The highest job id so far (0 when there is none).
DWORD LastJobId();
// The bytes of every complete job after `afterId`, in start order.
bool CollectJobBytes(DWORD afterId, std::string* bytes, std::string* error);

}  // namespace pkhost
