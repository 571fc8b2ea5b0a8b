// Output routes and the preview program (see output_routes.h).
#include "graphics_driver/job_output/output_routes.h"

#include <cstring>
#include <string>

#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/fax_jobs.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/save_file_name.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_file.h"
#include "platform/win/win_find.h"
#include "platform/win/win_format.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_process.h"
#include "platform/win/win_resource.h"
#include "settings/services/module_state.h"

namespace {

constexpr UINT kSaveCaption = 5139;
constexpr UINT kOutputErrorText = 5148;
constexpr UINT kKeptInText = 5149;
constexpr size_t kAnsiPath = 260;

// Process-wide, as the preview job file of every job of the process is one.
char g_previewPath[kAnsiPath];

std::u16string Wide(const char* ansi) {
  WCHAR out[kAnsiPath];
  if (MultiByteToWideChar(CP_ACP, 0, ansi, -1, out, int(kAnsiPath)) <= 0) return std::u16string();
  return out;
}

bool Exists(const char* path) {
  OFSTRUCT of;
  return OpenFile(path, &of, OF_EXIST) != HFILE_ERROR;
}

void Delete(const char* path) {
  OFSTRUCT of;
  OpenFile(path, &of, OF_DELETE);
}

std::u16string String(UINT id) {
  WCHAR text[512] = {};
  HMODULE module = GetResourceModule();
  if (module) LoadStringW(module, id, text, 512);
  return text;
}

// The job the user asked to keep could not be written where asked: say
// where it is kept.
void ShowKeptMessage(const std::u16string& keptPath) {
  WCHAR kept[1100];
  wsprintfW(kept, String(kKeptInText).c_str(), keptPath.c_str());
  std::u16string text = String(kOutputErrorText) + u"\n" + kept;
  MessageBoxW(GetActiveWindow(), text.c_str(), String(kSaveCaption).c_str(), MB_ICONWARNING);
}

// Moves the preview job file to a fresh name in its folder, so that the next
// preview job neither deletes it nor appends to it; its new Windows path, or
// empty when it could not be moved.
std::u16string MovePreviewJobAside() {
  std::u16string path = Wide(g_previewPath);
  size_t slash = path.find_last_of(u'\\');
  if (path.empty() || slash == std::u16string::npos) return std::u16string();
  std::u16string folder = path.substr(0, slash + 1);
  WCHAR fresh[kAnsiPath + 20];
  if (GetTempFileNameW(folder.c_str(), u"PRV", 0, fresh) == 0) return std::u16string();
  if (!CopyFileW(path.c_str(), fresh, FALSE)) {
    DeleteFileW(fresh);
    return std::u16string();
  }
  DeleteFileW(path.c_str());
  return fresh;
}

}  // namespace

void ShowJobKeptMessage(const WCHAR* keptPath) { ShowKeptMessage(keptPath ? keptPath : u""); }

void ShowOutputErrorMessage() {
  MessageBoxW(GetActiveWindow(), String(kOutputErrorText).c_str(), String(kSaveCaption).c_str(), MB_ICONWARNING);
}

int GetBriscaTempFolder(char* ansiOut) {
  if (!ansiOut) return -1;
  WCHAR temp[kAnsiPath + 1];
  DWORD n = GetTempPathW(kAnsiPath, temp);
  if (n == 0 || n >= kAnsiPath) return -1;
  std::u16string folder = std::u16string(temp) + u"BRISCA";
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(folder.c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  else if (!CreateDirectoryW(folder.c_str(), nullptr)) return -1;
  return WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, ansiOut, int(kAnsiPath), nullptr, nullptr) > 0 ? 0 : -1;
}

int GetRasterTempFolder(char* ansiOut) { return GetBriscaTempFolder(ansiOut) == 0 ? 1 : 0; }

const char* PreviewJobPath() {
  // Built at every use: the temp folder is the user's, and it must exist.
  char folder[kAnsiPath];
  if (GetBriscaTempFolder(folder) != 0 || std::strlen(folder) + 8 >= kAnsiPath) return nullptr;
  std::strcpy(g_previewPath, folder);
  std::strcat(g_previewPath, "\\PRV.pjl");
  return g_previewPath;
}

void RemoveLeftoverPreviewJob() {
  const char* path = PreviewJobPath();
  if (path && Exists(path)) Delete(path);
}

int AppendFileBytes(uint32_t count, const void* bytes, const char* ansiPath) {
  if (!ansiPath || (count && !bytes)) return 0;
  OFSTRUCT of;
  HFILE f = OpenFile(ansiPath, &of, OF_WRITE);
  if (f == HFILE_ERROR) f = OpenFile(ansiPath, &of, OF_CREATE);
  if (f == HFILE_ERROR) return 0;
  HANDLE h = reinterpret_cast<HANDLE>(static_cast<intptr_t>(f));
  SetFilePointer(h, 0, nullptr, FILE_END);
  DWORD written = 0;
  BOOL ok = count == 0 || WriteFile(h, bytes, count, &written, nullptr);
  CloseHandle(h);
  return ok && written == count ? 1 : 0;
}

int AppendPreviewJob(PdevState* pdev, uint32_t count, const void* bytes) {
  if (!IsPjlOutput(pdev)) return 1;
  const char* path = PreviewJobPath();
  if (!path) return -1;
  return AppendFileBytes(count, bytes, path) ? 1 : -1;
}

int AppendSaveFile(PdevState*, uint32_t count, const void* bytes) {
  WCHAR name[260];
  CopyLastSaveFileName(name);
  char ansi[kAnsiPath];
  if (name[0] && WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, int(kAnsiPath), nullptr, nullptr) > 0 &&
      AppendFileBytes(count, bytes, ansi))
    return 1;
  ShowOutputErrorMessage();
  SetOutputAbortState(-1);
  return -1;
}

int WriteJobBytes(PdevState* pdev, uint32_t count, const void* bytes) {
  if (GetOutputAbortState() == -1) return 1;
  int r = 1;  // the TIFF is saved whole at the job's end
  if (IsPreviewMode(pdev)) r = AppendPreviewJob(pdev, count, bytes);
  else if (!IsSaveToFileMode(pdev)) r = WriteBytesToJob(pdev, count, bytes);
  else if (IsSaveAsPjl(pdev)) r = AppendSaveFile(pdev, count, bytes);
  // A fax to several recipients keeps its job bytes for the later ones.
  if (r != -1) KeepFaxJobBytes(pdev, count, bytes);
  return r;
}

int WriteJobText(PdevState* pdev, const char* text) {
  if (!text) return -1;
  return WriteJobBytes(pdev, uint32_t(std::strlen(text)), text);
}

int ResendFileToSpooler(PdevState* pdev, const char* ansiPath) {
  OFSTRUCT of;
  HFILE f = OpenFile(ansiPath, &of, OF_READ);
  if (f == HFILE_ERROR) return 0;
  HANDLE h = reinterpret_cast<HANDLE>(static_cast<intptr_t>(f));
  BYTE piece[256];
  int result = 1;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(h, piece, sizeof piece, &read, nullptr)) {
      result = 0;
      break;
    }
    if (read == 0) break;
    if (WriteBytesToJob(pdev, read, piece) != 0) {
      result = 0;  // a cut job must not go out as done
      break;
    }
  }
  CloseHandle(h);
  return result;
}

BOOL CopyJobToOutputFolder(PdevState*, const char* ansiPath) {
  WCHAR name[260];
  CopyLastSaveFileName(name);
  return CopyFileW(Wide(ansiPath).c_str(), name, FALSE);
}

int RunPreviewProgram(PdevState* pdev, const char* ansiTiffPath) {
  WCHAR folder[kAnsiPath + 1];
  if (!GetModuleFolder(folder, sizeof folder)) return 0;
  std::u16string program = std::u16string(folder) + u"Lindvar.exe";
  char ansiProgram[kAnsiPath];
  if (WideCharToMultiByte(CP_ACP, 0, program.c_str(), -1, ansiProgram, int(kAnsiPath), nullptr, nullptr) <= 0) return 0;
  intptr_t exitCode = _spawnlp(P_WAIT, ansiProgram, ansiProgram, ansiTiffPath, nullptr);
  const bool pjl = IsPjlOutput(pdev) != 0;
  const char* previewJob = PreviewJobPath();
  int result = 1;
  bool keepTiff = false, keepPreviewJob = false;
  if (exitCode != 0) {
    if (IsSaveToFileMode(pdev)) {
      const bool fromPreviewJob = IsSaveAsPjl(pdev) != 0;
      const char* source = fromPreviewJob ? previewJob : ansiTiffPath;
      if (!source || !CopyJobToOutputFolder(pdev, source)) {
        // Never delete the only copy of a job the user asked to keep.
        std::u16string kept = Wide(ansiTiffPath);
        keepTiff = true;
        if (fromPreviewJob && previewJob && Exists(previewJob)) {
          std::u16string moved = MovePreviewJobAside();
          if (!moved.empty()) kept = moved;
          else keepPreviewJob = true;
        }
        ShowKeptMessage(kept);
        result = 0;
      }
    } else if (!ResendFileToSpooler(pdev, pjl && previewJob ? previewJob : ansiTiffPath)) {
      ShowOutputErrorMessage();
      result = 0;
    }
  }
  if (!keepTiff) Delete(ansiTiffPath);
  if (pjl && previewJob && !keepPreviewJob) Delete(previewJob);
  return result;
}
