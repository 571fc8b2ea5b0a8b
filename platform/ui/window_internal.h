// The window table's records, shared by the window calls, the controls and
// the dialog manager inside the layer.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/win_window.h"

namespace pk::ui {

struct ListLine {
  std::u16string text;
  LONG_PTR data = 0;
};

struct Window {
  HWND handle = nullptr;
  std::u16string className;  // as registered ("Button", "#32770", ...)
  int kind = 0;              // Kind below
  HWND parent = nullptr;
  std::vector<HWND> children;  // z-order, top first
  std::u16string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;
  RECT rect{};  // in the parent's client coordinates (screen for top-level)
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR dlgResult = 0, dlgProc = 0, dlgUser = 0;
  bool destroying = false;

  // Control state.
  int check = 0;
  HICON icon = nullptr;
  int limit = 0;  // 0: the default
  std::u16string undoText;
  bool canUndo = false;
  WCHAR password = 0;
  std::vector<ListLine> lines;
  int selection = -1;
  int topIndex = 0;
  std::vector<int> tabStops;
  bool dropped = false;
  int minimum = 0, maximum = 100, position = 0;
  HWND buddy = nullptr;
  int pageSize = 0, lineSize = 1, ticFrequency = 1;
  int scrollMin[2] = {0, 0}, scrollMax[2] = {0, 0}, scrollPos[2] = {0, 0};  // SB_HORZ, SB_VERT
  struct Tool {
    HWND hwnd;
    UINT_PTR id;
    UINT flags;
    std::u16string text;
  };
  std::vector<Tool> tools;
  int maxTipWidth = -1;
  struct TreeItem {
    uintptr_t parent;  // 0: the root
    std::u16string text;
    LPARAM data;
  };
  std::vector<std::pair<uintptr_t, TreeItem>> treeItems;  // in walk order
  uintptr_t nextTreeItem = 1;
  int selStart = 0, selEnd = 0;  // an edit's selection
  bool typingRun = false;        // typed characters share one undo step

  // Modal dialogs.
  bool modal = false;
  bool ended = false;
  INT_PTR endResult = 0;
};

enum Kind {
  kGeneric,
  kDialog,
  kButton,
  kStatic,
  kEdit,
  kComboBox,
  kListBox,
  kUpDown,
  kTrackBar,
  kScrollBar,
  kToolTip,
  kTreeView,
  kTabControl
};

// The record of a live window, or null.
Window* Find(HWND h);
// The class procedure of a kind of control, or null.
WNDPROC ClassProc(int kind);
int KindOfClass(std::u16string_view className);
// Sends a WM_COMMAND notification from a control to its parent.
void Notify(HWND control, UINT code);
// Limits a list line to kPkMaxListLine units.
std::u16string ListText(LPCWSTR text);
LRESULT DialogWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
// Records a failure of a modal script (see user.h).
void ReportScriptFailure(const std::string& text);
// A top-level dialog made outside MakeDialog (a sheet's frame) becomes active.
void OpenedDialog(HWND dialog);
// The caption of a module's dialog template (empty when there is none).
std::u16string TemplateCaption(HINSTANCE module, LPCWSTR name);
// A dialog from a template; `child` makes it a page inside `parent`.
HWND MakeDialog(HINSTANCE module, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param, bool child);
// Makes a record without sending any message.
HWND NewWindow(std::u16string_view className, std::u16string_view text, DWORD style, DWORD exStyle, RECT rect,
               HWND parent, int id, HINSTANCE instance);

}  // namespace pk::ui
