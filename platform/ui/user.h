// The user of the headless windows: what a test or a tool does in place of a
// person (click, type, select, move the focus, spin, press a key), what it
// reads of what a person would see, and a recorder of the messages a window
// receives. Every action sends the messages and notifications the control
// would send and then pumps the posted ones.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/win_window.h"

namespace pk::ui {

// ---- Actions -------------------------------------------------------------------
// A click on a button (check boxes and radio buttons change state as they would).
PKAPI void Click(HWND control);
PKAPI void ClickItem(HWND dialog, int id);
// Moves the focus as a click or a tab would.
PKAPI void Focus(HWND control);
// Types text at the end of an edit or of a combo's edit part, one character
// at a time: the limit, read-only and number-only are honoured.
PKAPI void Type(HWND control, std::u16string_view text);
// Replaces the whole text as a person selecting all and typing would.
PKAPI void Replace(HWND control, std::u16string_view text);
// Selects a line of a list or combo, or a tab of a tab control, by index or
// by its text, as a person would (notifications sent); false when there is
// no such line.
PKAPI bool Select(HWND control, int index);
PKAPI bool SelectText(HWND control, std::u16string_view text);
PKAPI void DoubleClick(HWND control);
PKAPI void DropDown(HWND combo);
PKAPI void CloseUp(HWND combo);
// Presses an up-down's arrow `steps` times (negative: down).
PKAPI void Spin(HWND updown, int steps);
// Moves a trackbar as a person would (a TB_ code; `position` for the thumb).
PKAPI void Slide(HWND trackbar, UINT code, int position = 0);
// Presses a key in a focused list (WM_VKEYTOITEM to the owner first when the
// list asks for keyboard input).
PKAPI void PressKey(HWND list, UINT virtualKey);

// ---- Readers -------------------------------------------------------------------
PKAPI std::u16string Text(HWND window);
PKAPI int CheckState(HWND button);
PKAPI int Selection(HWND control);
struct Line {
  std::u16string text;
  LONG_PTR data;
};
PKAPI std::vector<Line> Lines(HWND control);
PKAPI bool Enabled(HWND window);
PKAPI bool Visible(HWND window);
PKAPI std::u16string ClassName(HWND window);
// The text a tooltip shows for a tool: by the tool's window (TTF_IDISHWND)
// or by its owner and id.
PKAPI std::u16string TooltipText(HWND tooltip, HWND tool, UINT_PTR id = 0);
// A tree view's items in walk order with their depth (0 under the root).
struct TreeLine {
  int depth;
  std::u16string text;
  LPARAM data;
};
PKAPI std::vector<TreeLine> TreeItems(HWND tree);
PKAPI DWORD Style(HWND window);

// ---- Recorder ------------------------------------------------------------------
struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
// Starts recording every message sent or delivered to a window.
PKAPI void Record(HWND window);
PKAPI std::vector<Message> Recorded(HWND window);

// ---- Modal scripts -------------------------------------------------------------
// A modal dialog cannot wait for a person: DialogBoxParamW of a template runs
// the next script queued for that template id after WM_INITDIALOG. The
// script acts through the calls above and ends the dialog with EndDialog. A
// dialog without a script, or left open by it, ends with IDCANCEL and is
// reported as a failure. Each call takes its turn: the script of a dialog
// that is not made, or that ends during WM_INITDIALOG, is dropped unrun.
using Script = std::function<void(HWND dialog)>;
PKAPI void QueueDialogScript(int templateId, Script script);
// Failures of modal scripts so far (texts), and a handler called at once
// with each (the test main turns them into test failures).
PKAPI std::vector<std::string> ScriptFailures();
PKAPI void SetScriptFailureHandler(void (*handler)(const std::string& text));

// ---- Common dialogs and shell ------------------------------------------------
// The next file or folder dialog answers the queued choice, an empty one as
// a cancel; a dialog with nothing queued cancels and is reported as a failure.
PKAPI void QueueFileChoice(std::u16string_view windowsPath);
PKAPI void QueueFolderChoice(std::u16string_view windowsPath);
// Help and launch calls, in order: what was asked; nothing runs.
struct ShellCall {
  std::string call;  // "WinHelpW", "ShellExecuteW"
  HWND owner;
  std::u16string file;
  UINT command;  // WinHelpW
  ULONG_PTR data;
  std::u16string operation, parameters;  // ShellExecuteW
};
PKAPI std::vector<ShellCall> ShellCalls();

// ---- System tables -------------------------------------------------------------
PKAPI void SetSystemMetric(int index, int value);
PKAPI void SetSystemColor(int index, DWORD color);

}  // namespace pk::ui
