// Recording stand-ins for Movrane and Velmora, built as one file twice (the
// library's name decides which entry points it offers). Each call is logged;
// the files the real libraries would make are made empty, so the driver's
// deletes and slots behave as with the real ones. FakeCallLog answers the log
// and FakeReset clears it; FakeFail makes the named entry point fail.
#include <cstring>
#include <string>

#include "platform/outside/tiff_job_record.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_file.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string g_log;
std::string g_failing;  // the entry point that answers failure

void Log(const std::string& entry) { g_log += entry + ";"; }
bool Failing(const char* entry) { return g_failing == entry; }

bool MakeFile(const char* folder, char* out) {
  WCHAR wide[MAX_PATH] = {}, name[MAX_PATH + 20] = {};
  MultiByteToWideChar(CP_ACP, 0, folder, -1, wide, MAX_PATH);
  if (GetTempFileNameW(wide, u"FAK", 0, name) == 0) return false;
  return WideCharToMultiByte(CP_ACP, 0, name, -1, out, int(kOutsidePathBytes), nullptr, nullptr) > 0;
}

void Delete(const char* path) {
  OFSTRUCT of;
  if (path[0]) OpenFile(path, &of, OF_DELETE);
}

}  // namespace

FAKE_EXPORT const char* FakeCallLog() { return g_log.c_str(); }
FAKE_EXPORT void FakeReset() {
  g_log.clear();
  g_failing.clear();
}
FAKE_EXPORT void FakeFail(const char* entry) { g_failing = entry; }

#ifdef FAKE_MOVRANE
FAKE_EXPORT int CreateTIFFFileFromMemory(TiffJobRecord* r, RasterWorkBlock* w) {
  Log("Create(" + std::to_string(r->bandRows) + ")");
  if (Failing("CreateTIFFFileFromMemory")) return 1;
  return MakeFile(w->workFolder, r->currentFile[0] ? w->bandFile : r->currentFile) ? 0 : 1;
}
FAKE_EXPORT int CreateWhiteTIFFFile(TiffJobRecord* r, RasterWorkBlock* w) {
  Log("White(" + std::to_string(r->blankRows) + ")");
  return MakeFile(w->workFolder, w->whiteFile) ? 0 : 1;
}
FAKE_EXPORT int CombWhiteTIFFFile(TiffJobRecord* r, RasterWorkBlock* w, int first) {
  Log("CombWhite(" + std::to_string(first) + ")");
  if (!r->currentFile[0]) std::memcpy(r->currentFile, w->whiteFile, kOutsidePathBytes);
  else Delete(w->whiteFile);
  return 0;
}
FAKE_EXPORT int CombTIFFFile(TiffJobRecord*, RasterWorkBlock* w) {
  Log("Comb");
  Delete(w->bandFile);
  return 0;
}
FAKE_EXPORT int RotateTIFFFile(TiffJobRecord*, RasterWorkBlock*, int angle) {
  Log("Rotate(" + std::to_string(angle) + ")");
  return 0;
}
FAKE_EXPORT int CreateNupTIFFFile(TiffJobRecord* r, RasterWorkBlock* w) {
  int slots = 0;
  for (auto& slot : r->pageFiles) slots += slot[0] ? 1 : 0;
  Log("Nup(" + std::to_string(slots) + ")");
  return MakeFile(w->workFolder, w->sheetFile) ? 0 : 1;
}
FAKE_EXPORT int N_RST_ClipTiff(TiffJobRecord*, RasterWorkBlock*) {
  Log("Clip");
  return 0;
}
#else
FAKE_EXPORT uint64_t CreateFileOutputStorageObject(const char*) {
  Log("Storage");
  return 1;
}
FAKE_EXPORT uint64_t CreateMultiPageManagerObject(uint64_t* storage) {
  Log("Manager");
  return storage && *storage == 1 ? 2 : 0;
}
FAKE_EXPORT int CreateMultiTIFFFile(TiffJobRecord*) {
  Log("Append");
  return Failing("CreateMultiTIFFFile") ? -1 : 0;
}
FAKE_EXPORT int DeleateMultiTIFFObject(TiffJobRecord*) {
  Log("Close");
  return 0;
}
#endif
