// Binding a graphics driver like the engine does: DrvEnableDriver hands over
// the DRVFN rows, which are kept by index; every entry the host needs must be
// there, or the driver is refused with the missing entry's name.
#include "host/driver_table.h"

#include <map>

#include "host/text_utf.h"

namespace pkhost {

RunLog::~RunLog() {
  if (file_) std::fclose(file_);
}

bool RunLog::OpenTraceFile(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void RunLog::Trace(const std::string& line, const std::string& fileDetail) {
  trace_.push_back(line);
  if (file_) {
    std::fputs((line + fileDetail).c_str(), file_);
    std::fputc('\n', file_);
  }
}

namespace {

const std::map<ULONG, const char*>& Names() {
  static const std::map<ULONG, const char*> names = {
      {INDEX_DrvEnablePDEV, "DrvEnablePDEV"},
      {INDEX_DrvCompletePDEV, "DrvCompletePDEV"},
      {INDEX_DrvDisablePDEV, "DrvDisablePDEV"},
      {INDEX_DrvEnableSurface, "DrvEnableSurface"},
      {INDEX_DrvDisableSurface, "DrvDisableSurface"},
      {INDEX_DrvResetPDEV, "DrvResetPDEV"},
      {INDEX_DrvRealizeBrush, "DrvRealizeBrush"},
      {INDEX_DrvStrokePath, "DrvStrokePath"},
      {INDEX_DrvFillPath, "DrvFillPath"},
      {INDEX_DrvStrokeAndFillPath, "DrvStrokeAndFillPath"},
      {INDEX_DrvBitBlt, "DrvBitBlt"},
      {INDEX_DrvCopyBits, "DrvCopyBits"},
      {INDEX_DrvStretchBlt, "DrvStretchBlt"},
      {INDEX_DrvTextOut, "DrvTextOut"},
      {INDEX_DrvEscape, "DrvEscape"},
      {INDEX_DrvQueryFont, "DrvQueryFont"},
      {INDEX_DrvQueryFontTree, "DrvQueryFontTree"},
      {INDEX_DrvQueryFontData, "DrvQueryFontData"},
      {INDEX_DrvSendPage, "DrvSendPage"},
      {INDEX_DrvStartPage, "DrvStartPage"},
      {INDEX_DrvEndDoc, "DrvEndDoc"},
      {INDEX_DrvStartDoc, "DrvStartDoc"},
      {INDEX_DrvGetGlyphMode, "DrvGetGlyphMode"},
      {INDEX_DrvQueryAdvanceWidths, "DrvQueryAdvanceWidths"},
      {INDEX_DrvStartBanding, "DrvStartBanding"},
      {INDEX_DrvNextBand, "DrvNextBand"},
      {INDEX_DrvStretchBltROP, "DrvStretchBltROP"},
  };
  return names;
}

// The entries without which the host cannot run a document.
constexpr ULONG kRequired[] = {
    INDEX_DrvEnablePDEV, INDEX_DrvCompletePDEV, INDEX_DrvDisablePDEV, INDEX_DrvEnableSurface, INDEX_DrvDisableSurface,
    INDEX_DrvStartDoc,   INDEX_DrvEndDoc,       INDEX_DrvStartPage,   INDEX_DrvSendPage,
};

}  // namespace

std::string EntryName(ULONG index) {
  auto it = Names().find(index);
  return it != Names().end() ? it->second : "entry " + std::to_string(index);
}

DriverTable::~DriverTable() {
  if (module_) FreeLibrary(module_);
}

bool DriverTable::Load(const std::u16string& path, RunLog& log, std::string* error) {
  std::string name = Utf16ToUtf8(path);
  module_ = LoadLibraryW(path.c_str());
  if (!module_) {
    *error = "cannot load the driver " + name;
    return false;
  }
  auto fail = [&](const std::string& why) {
    *error = why;
    FreeLibrary(module_);
    module_ = nullptr;
    fns_.fill(nullptr);
    rows_.clear();
    disable_ = nullptr;
    return false;
  };
  auto enable = reinterpret_cast<PFN_DrvEnableDriver>(GetProcAddress(module_, "DrvEnableDriver"));
  if (!enable) return fail(name + " has no DrvEnableDriver");
  disable_ = reinterpret_cast<PFN_DrvDisableDriver>(GetProcAddress(module_, "DrvDisableDriver"));
  DRVENABLEDATA ded{};
  log.Trace("DrvEnableDriver");
  if (!enable(DDI_DRIVER_VERSION_NT4, sizeof(DRVENABLEDATA), &ded)) return fail(name + ": DrvEnableDriver failed");
  // The table is the driver's; read it within bounds only.
  if (!ded.pdrvfn || ded.c == 0 || ded.c > 256) return fail(name + ": DrvEnableDriver gave no function table");
  for (ULONG i = 0; i < ded.c; ++i) {
    const DRVFN& row = ded.pdrvfn[i];
    rows_.push_back(row);
    if (row.iFunc < kSlots && row.pfn) fns_[row.iFunc] = row.pfn;
  }
  for (ULONG index : kRequired)
    if (!fns_[index]) return fail(name + " lacks " + EntryName(index));
  return true;
}

void DriverTable::BindRows(const DRVFN* rows, ULONG count) {
  fns_.fill(nullptr);
  rows_.assign(rows, rows + count);
  for (const DRVFN& row : rows_)
    if (row.iFunc < kSlots && row.pfn) fns_[row.iFunc] = row.pfn;
}

void DriverTable::Unload(RunLog& log) {
  if (!module_) return;
  if (disable_) {
    log.Trace("DrvDisableDriver");
    disable_();
  }
  FreeLibrary(module_);
  module_ = nullptr;
  fns_.fill(nullptr);
  rows_.clear();
}

}  // namespace pkhost
