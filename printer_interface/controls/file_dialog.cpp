// The choose-a-file action: the file-open dialog built from a FileDialogSpec,
// the checks of the chosen name, folder and path, the settings that receive
// them, and the folder templates.
#include <cstddef>
#include <cstring>

#include "platform/win/win_file.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_path.h"
#include "printer_interface/controls/kind_support.h"
#include "printer_interface/text/oem_text.h"
#include "printer_interface/text/resource_text.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/services/code_pages.h"

using namespace controls;

namespace {

constexpr int kTextChars = 128;  // title, extension (127 and the terminator)
constexpr int kFilterChars = 130;
constexpr DWORD kCheckTextFlags = 0x102;

// The work area of one dialog: the OPENFILENAMEW first, then its texts.
struct FileDialogWork {
  OPENFILENAMEW dialog;
  WCHAR file[kFileNameChars];
  WCHAR folder[kFileNameChars];
  WCHAR title[kTextChars];
  WCHAR extension[kTextChars];
  WCHAR filter[kFilterChars];
};
static_assert(sizeof(FileDialogWork) == kFileDialogWorkBytes && offsetof(FileDialogWork, dialog) == 0);

size_t Length(const WCHAR* text) {
  size_t n = 0;
  while (text && text[n]) ++n;
  return n;
}

// Copies at most room - 1 characters: false when the text did not fit.
bool CopyInto(WCHAR* out, size_t room, const WCHAR* text, size_t n) {
  if (room == 0) return false;
  const bool fits = n < room;
  if (!fits) n = room - 1;
  if (n) std::memcpy(out, text, n * sizeof(WCHAR));
  out[n] = 0;
  return fits;
}

const WCHAR* SettingText(const HandlerContext* context, WORD id) {
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (!id || GetSettingValue(id, context->devMode, context->settings, &type, &size, &value) != kSettingOk ||
      type != kSettingTypeText)
    return nullptr;
  return reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(value));
}

int OemLength(const WCHAR* text) {
  LPSTR oem = nullptr;
  int length = 0;
  if (!WideToOemAlloc(text, &oem, &length)) return -1;
  GlobalFree(oem);
  return length;
}

bool FollowsRules(const WCHAR* text, const CharacterRules* rules) {
  return !rules || ValidateText(text, rules->singleRanges, rules->doubleRanges, rules->forbiddenBytes,
                                rules->forbiddenPairs, kCheckTextFlags, 0) != 0;
}

bool Equals(const WCHAR* text, size_t n, const char16_t* name) {
  return Length(name) == n && std::memcmp(text, name, n * sizeof(WCHAR)) == 0;
}

}  // namespace

int ExpandFolderTemplate(LPCWSTR folderTemplate, LPWSTR out, int outChars) {
  if (!out || outChars <= 0) return 0;
  out[0] = 0;
  if (!folderTemplate) return 0;
  const WCHAR* open = folderTemplate;
  while (*open && *open != u'%') ++open;
  const size_t prefix = static_cast<size_t>(open - folderTemplate);
  if (!*open) return CopyInto(out, static_cast<size_t>(outChars), folderTemplate, prefix) ? 1 : (out[0] = 0, 0);
  const WCHAR* name = open + 1;
  const WCHAR* close = name;
  while (*close && *close != u'%') ++close;
  const size_t nameLength = static_cast<size_t>(close - name);
  if (!*close || nameLength == 0) return 0;
  const char16_t* tail = nullptr;
  if (Equals(name, nameLength, u"SYSTEM")) tail = u"";
  else if (Equals(name, nameLength, u"ICM")) tail = u"\\Spool\\Drivers\\Color";
  else if (Equals(name, nameLength, u"DRIVER")) tail = u"\\Spool\\Drivers\\x64\\3";
  else return 0;
  WCHAR system[MAX_PATH] = {};
  const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
  if (systemLength == 0 || systemLength >= MAX_PATH) return 0;
  const size_t tailLength = Length(tail);
  if (prefix + systemLength + tailLength >= static_cast<size_t>(outChars)) return 0;
  std::memcpy(out, folderTemplate, prefix * sizeof(WCHAR));
  std::memcpy(out + prefix, system, systemLength * sizeof(WCHAR));
  std::memcpy(out + prefix + systemLength, tail, tailLength * sizeof(WCHAR));
  out[prefix + systemLength + tailLength] = 0;
  return 1;
}

int FolderExists(LPCWSTR folder) {
  if (!folder || !folder[0]) return 0;
  WCHAR current[MAX_PATH] = {};
  const DWORD kept = GetCurrentDirectoryW(MAX_PATH, current);
  const int exists = SetCurrentDirectoryW(folder) ? 1 : 0;
  if (kept && kept < MAX_PATH) SetCurrentDirectoryW(current);
  return exists;
}

int ShowFileDialogWarning(HandlerContext* context, const FileDialogSpec* spec, HWND owner, INT messageId) {
  (void)context;
  if (!spec || messageId == kNoControl || messageId == 0) return 0;
  WCHAR text[512] = {};
  if (messageId == static_cast<INT>(kFileLengthWarning))
    FormatResourceString(text, 512, kFileLengthWarning, 1, spec->maxFolder, spec->maxFolder, spec->maxFolder / 2,
                         spec->maxName);
  else LoadStringW(GetPagesResourceModule(), static_cast<UINT>(messageId), text, 512);
  if (!text[0]) return 0;
  return ShowResourceMessageBox(owner, kWarningCaptionString, nullptr, MB_ICONWARNING, kGivenText, text);
}

int BuildFileDialog(HandlerContext* context, const FileDialogSpec* spec, BYTE* workArea) {
  if (!context || !spec || !workArea) return 0;
  std::memset(workArea, 0, kFileDialogWorkBytes);
  auto* work = reinterpret_cast<FileDialogWork*>(workArea);
  HMODULE module = GetPagesResourceModule();
  if (const WCHAR* name = SettingText(context, spec->nameSetting))
    CopyInto(work->file, kFileNameChars, name, Length(name));

  const WCHAR* folder = SettingText(context, spec->storeFolder);
  if (folder && FolderExists(folder)) {
    CopyInto(work->folder, kFileNameChars, folder, Length(folder));
  } else {
    WCHAR folderTemplate[kFileNameChars] = {};
    bool given = false;
    if (spec->folderTemplateId != kNoControl) {
      given = LoadStringW(module, static_cast<UINT>(spec->folderTemplateId), folderTemplate, kFileNameChars) > 0;
    } else if (spec->folderDefaultSetting) {
      SettingValueType type = 0;
      INT size = 0;
      uint64_t value = 0;
      if (GetSettingDefault(context->model, spec->folderDefaultSetting, &type, &size, &value) == 1) {
        if (type == kSettingTypeText) {
          const auto* text = reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(value));
          given = CopyInto(folderTemplate, kFileNameChars, text, Length(text));
        }
        FreeSettingDefault(spec->folderDefaultSetting, value, type);
      }
    }
    if (given) ExpandFolderTemplate(folderTemplate, work->folder, kFileNameChars);
  }

  OPENFILENAMEW& dialog = work->dialog;
  dialog.lStructSize = sizeof(OPENFILENAMEW);
  dialog.hwndOwner = context->window;
  dialog.hInstance = module;
  if (spec->titleId != kNoControl && LoadStringW(module, static_cast<UINT>(spec->titleId), work->title, kTextChars) > 0)
    dialog.lpstrTitle = work->title;
  if (spec->defaultExtensionId != kNoControl &&
      LoadStringW(module, static_cast<UINT>(spec->defaultExtensionId), work->extension, kTextChars) > 0)
    dialog.lpstrDefExt = work->extension;
  if (spec->filterNameId != kNoControl) {
    // "name\0pattern\0\0"
    WCHAR name[kTextChars] = {}, pattern[kTextChars] = {};
    LoadStringW(module, static_cast<UINT>(spec->filterNameId), name, kTextChars);
    LoadStringW(module, static_cast<UINT>(spec->filterPatternId), pattern, kTextChars);
    const size_t n = Length(name), p = Length(pattern);
    if (n + p + 3 > static_cast<size_t>(kFilterChars)) return 0;
    std::memcpy(work->filter, name, n * sizeof(WCHAR));
    std::memcpy(work->filter + n + 1, pattern, p * sizeof(WCHAR));
    dialog.lpstrFilter = work->filter;
  }
  if (work->folder[0]) dialog.lpstrInitialDir = work->folder;
  dialog.lpstrFile = work->file;
  dialog.nMaxFile = kFileNameChars;
  dialog.nFilterIndex = static_cast<DWORD>(spec->filterIndex);
  dialog.Flags =
      spec->dialogFlags == kFileDefaultDialogFlags ? kFileDefaultOfnFlags : static_cast<DWORD>(spec->dialogFlags);
  return 1;
}

int StoreChosenFile(HandlerContext* context, const FileDialogSpec* spec, const OPENFILENAMEW* dialog) {
  if (!context || !spec || !dialog || !dialog->lpstrFile) return 0;
  const WCHAR* path = dialog->lpstrFile;
  const size_t pathLength = Length(path);
  const size_t nameOffset = dialog->nFileOffset <= pathLength ? dialog->nFileOffset : pathLength;
  const size_t extensionOffset = dialog->nFileExtension;
  size_t nameLength = pathLength - nameOffset;
  // The extension goes only when there is one: a point that follows at
  // least one character of the name.
  if ((spec->flags & kFileNameWithoutExtension) && extensionOffset > nameOffset + 1 && extensionOffset <= pathLength &&
      path[extensionOffset - 1] == u'.')
    nameLength = extensionOffset - 1 - nameOffset;
  WCHAR name[kFileNameChars] = {};
  WCHAR folder[kFileNameChars] = {};
  CopyInto(name, kFileNameChars, path + nameOffset, nameLength);
  CopyInto(folder, kFileNameChars, path, nameOffset);

  INT message = 0;
  bool failed = false;
  auto tooLong = [&](BYTE flag, const WCHAR* text, INT maximum) {
    if (failed || !(spec->flags & flag)) return;
    const int length = OemLength(text);
    if (length < 0 || length > maximum) {
      failed = true;
      message = spec->lengthMessageId;
    }
  };
  tooLong(kFileTestNameLength, name, spec->maxName);
  tooLong(kFileTestFolderLength, folder, spec->maxFolder);
  tooLong(kFileTestPathLength, path, spec->maxPath);
  if (!failed && (spec->flags & kFileTestNameChars) && !FollowsRules(name, spec->nameRules)) {
    failed = true;
    message = spec->nameRules->messageId;
  }
  if (!failed && (spec->flags & kFileTestFolderChars) && !FollowsRules(folder, spec->folderRules)) {
    failed = true;
    message = spec->folderRules->messageId;
  }
  if (!failed && spec->check &&
      !spec->check(context, path, static_cast<INT>(nameOffset), static_cast<INT>(extensionOffset))) {
    failed = true;
    message = spec->checkMessageId;
  }
  if (failed) {
    ShowFileDialogWarning(context, spec, context->window, message);
    return 0;
  }
  struct Target {
    WORD id;
    INT maximum;
    const WCHAR* text;
  };
  for (const Target& target :
       {Target{spec->storeName, spec->maxName, name}, Target{spec->storeFolder, spec->maxFolder, folder},
        Target{spec->storePath, spec->maxPath, path}}) {
    if (target.id == 0 || target.maximum <= 0) continue;
    const WCHAR* text = target.text;
    if (SetSettingValue(target.id, context->devMode, context->settings, kSettingTypeText,
                        static_cast<UINT>(2 * target.maximum + 2), &text) != kSettingOk)
      return 0;
  }
  return 1;
}

INT RunFileDialog(HandlerContext* context, const ControlRow* row, const FileDialogSpec* spec) {
  if (!context || !spec) return -1;
  INT result = -1;
  auto* work = static_cast<BYTE*>(GlobalAlloc(GPTR, kFileDialogWorkBytes));
  while (work) {
    if (!BuildFileDialog(context, spec, work)) break;
    auto* dialog = reinterpret_cast<OPENFILENAMEW*>(work);
    if (!GetOpenFileNameW(dialog)) {
      result = CommDlgExtendedError() == 0 ? 2 : -1;
      break;
    }
    if (StoreChosenFile(context, spec, dialog)) {
      result = 1;
      break;
    }
  }
  if (work) GlobalFree(work);
  SetContextAux(context, static_cast<UINT>(result));
  if (result == 1) {
    WORD ids[2] = {};
    INT n = 0;
    if (spec->storeFolder) ids[n++] = spec->storeFolder;
    if (spec->storeName) ids[n++] = spec->storeName;
    AppendChangedIds(context, ids, n);
    SetContextChange(context, 1, GetChangedIdList(context), row);
  }
  return result;
}
