// The file-open dialog, the folder browser and the shell calls (see
// win_commdlg.h): answers come from the queued choices of a test or tool.
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>

#include "platform/ui/user.h"
#include "platform/ui/win_commdlg.h"
#include "platform/ui/window_internal.h"
#include "platform/win/name_text.h"
#include "platform/win/win_seams.h"

namespace pk::ui {
namespace {

std::deque<std::u16string>& FileChoices() {
  static auto* q = new std::deque<std::u16string>;
  return *q;
}
std::deque<std::u16string>& FolderChoices() {
  static auto* q = new std::deque<std::u16string>;
  return *q;
}
std::vector<ShellCall>& Calls() {
  static auto* c = new std::vector<ShellCall>;
  return *c;
}
DWORD gExtendedError = 0;

void Reset() {
  FileChoices().clear();
  FolderChoices().clear();
  Calls().clear();
  gExtendedError = 0;
}
const pk::seams::ResetHook gHook(&Reset);

std::optional<std::u16string> Next(std::deque<std::u16string>* queue, const char* what) {
  if (queue->empty()) {
    ReportScriptFailure(std::string("no choice queued for a ") + what);
    return std::nullopt;
  }
  std::u16string choice = std::move(queue->front());
  queue->pop_front();
  if (choice.empty()) return std::nullopt;
  return choice;
}

// Copies into a buffer of `size` units: cut and terminated.
void CopyCut(LPWSTR buffer, size_t size, std::u16string_view text) {
  if (!buffer || size == 0) return;
  size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n * sizeof(WCHAR));
  buffer[n] = 0;
}

BOOL FileDialog(LPOPENFILENAMEW ofn) {
  gExtendedError = 0;
  if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEW)) {
    gExtendedError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  auto choice = Next(&FileChoices(), "file dialog");
  if (!choice) return FALSE;
  const std::u16string& path = *choice;
  if (!ofn->lpstrFile || ofn->nMaxFile < path.size() + 1) {
    // The first two units of the buffer tell the size a caller needs.
    if (ofn->lpstrFile && ofn->nMaxFile >= 2) {
      DWORD need = static_cast<DWORD>(path.size() + 1);
      ofn->lpstrFile[0] = static_cast<WCHAR>(need & 0xFFFF);
      ofn->lpstrFile[1] = static_cast<WCHAR>(need >> 16);
    }
    gExtendedError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  CopyCut(ofn->lpstrFile, ofn->nMaxFile, path);
  size_t slash = path.find_last_of(u"\\/");
  size_t name = slash == std::u16string::npos ? 0 : slash + 1;
  size_t dot = path.find_last_of(u'.');
  ofn->nFileOffset = static_cast<WORD>(name);
  ofn->nFileExtension = static_cast<WORD>(dot != std::u16string::npos && dot >= name ? dot + 1 : 0);
  if (ofn->lpstrFileTitle) CopyCut(ofn->lpstrFileTitle, ofn->nMaxFileTitle, std::u16string_view(path).substr(name));
  return TRUE;
}

// The shell's allocator: plain heap blocks.
struct ShellMalloc final : IMalloc {
  HRESULT QueryInterface(const void*, void** object) override {
    if (object) *object = this;
    return 0;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  void* Alloc(SIZE_T cb) override { return std::malloc(cb ? cb : 1); }
  void* Realloc(void* pv, SIZE_T cb) override { return std::realloc(pv, cb ? cb : 1); }
  void Free(void* pv) override { std::free(pv); }
  SIZE_T GetSize(void*) override { return static_cast<SIZE_T>(-1); }
  int DidAlloc(void*) override { return -1; }
  void HeapMinimize() override {}
};

}  // namespace

void QueueFileChoice(std::u16string_view windowsPath) { FileChoices().emplace_back(windowsPath); }
void QueueFolderChoice(std::u16string_view windowsPath) { FolderChoices().emplace_back(windowsPath); }
std::vector<ShellCall> ShellCalls() { return Calls(); }

}  // namespace pk::ui

extern "C" {

BOOL GetOpenFileNameW(LPOPENFILENAMEW lpofn) { return pk::ui::FileDialog(lpofn); }
BOOL GetSaveFileNameW(LPOPENFILENAMEW lpofn) { return pk::ui::FileDialog(lpofn); }
DWORD CommDlgExtendedError(void) { return pk::ui::gExtendedError; }

// An item list is a block of the shell's allocator holding the terminated path.
PIDLIST_ABSOLUTE SHBrowseForFolderW(LPBROWSEINFOW lpbi) {
  if (!lpbi) return nullptr;
  auto choice = pk::ui::Next(&pk::ui::FolderChoices(), "folder dialog");
  if (!choice) return nullptr;
  std::u16string path = choice->substr(0, MAX_PATH - 1);
  auto* block = static_cast<WCHAR*>(std::malloc((path.size() + 1) * sizeof(WCHAR)));
  if (!block) return nullptr;
  std::memcpy(block, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
  size_t slash = path.find_last_of(u"\\/");
  if (lpbi->pszDisplayName)
    pk::ui::CopyCut(lpbi->pszDisplayName, MAX_PATH, slash == std::u16string::npos ? path : path.substr(slash + 1));
  return reinterpret_cast<PIDLIST_ABSOLUTE>(block);
}

BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE pidl, LPWSTR pszPath) {
  if (!pszPath) return FALSE;
  pszPath[0] = 0;
  if (!pidl) return FALSE;
  pk::ui::CopyCut(pszPath, MAX_PATH, pk::WideView(reinterpret_cast<LPCWSTR>(pidl)));
  return TRUE;
}

HRESULT SHGetMalloc(IMalloc** ppMalloc) {
  static pk::ui::ShellMalloc shellMalloc;
  if (!ppMalloc) return static_cast<HRESULT>(0x80070057);  // E_INVALIDARG
  *ppMalloc = &shellMalloc;
  return 0;
}

BOOL WinHelpW(HWND hWndMain, LPCWSTR lpszHelp, UINT uCommand, ULONG_PTR dwData) {
  pk::ui::Calls().push_back(
      {"WinHelpW", hWndMain, lpszHelp ? std::u16string(pk::WideView(lpszHelp)) : u"", uCommand, dwData, u"", u""});
  return TRUE;
}

HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters, LPCWSTR, INT) {
  auto text = [](LPCWSTR s) { return s ? std::u16string(pk::WideView(s)) : std::u16string(); };
  pk::ui::Calls().push_back({"ShellExecuteW", hwnd, text(lpFile), 0, 0, text(lpOperation), text(lpParameters)});
  return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(42));  // above 32: success
}

}  // extern "C"
