// The back end behind the layer: it owns the real windows (or, headless, the
// records a test reads) and runs the message loop. The layer calls it; it
// calls the layer back through the entry points below (commands, keys,
// paints, drops, dialog notifications). One back end is set per process.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/mfc/cwnd.h"

class CDialog;
class CFrameWnd;
class CScrollView;
class CToolBar;
class CStatusBar;
class CComboBox;
class CWinApp;
struct CREATESTRUCT;

class AfxBackend {
 public:
  virtual ~AfxBackend() = default;

  // Windows. Create* makes the window of an object (hidden for a frame)
  // and sets its m_peer; false when it cannot.
  virtual bool CreateFrame(CFrameWnd* frame, const CREATESTRUCT& cs) = 0;
  virtual bool CreateView(CScrollView* view) = 0;
  virtual bool CreateToolBar(CToolBar* bar) = 0;
  virtual bool CreateStatusBar(CStatusBar* bar) = 0;
  // A combo box in a toolbar slot.
  virtual bool CreateCombo(CComboBox* combo, CToolBar* bar, int slot) = 0;
  virtual void Destroy(CWnd* wnd) = 0;
  virtual void Show(CWnd* wnd, int nCmdShow) = 0;
  // The frame's restored rectangle and show state; false when unknown.
  virtual bool GetPlacement(const CWnd* wnd, WINDOWPLACEMENT* placement) = 0;
  virtual RECT GetWindowRect(const CWnd* wnd) = 0;
  virtual RECT GetClientRect(const CWnd* wnd) = 0;
  // The object's state changed (text, panes, list, scroll sizes, bars).
  virtual void Changed(CWnd* wnd) = 0;
  virtual void Invalidate(CWnd* wnd) = 0;
  virtual void SetFocus(CWnd* wnd) = 0;
  // A message was queued (AfxPostMessage): the loop should deliver it.
  virtual void Wake() = 0;
  // Runs until the main window is destroyed.
  virtual void Run(CWinApp* app) = 0;

  // Dialogs: runs `dialog` modally; the answer is its end code. Changed
  // tells an open dialog that control `id` has a new state in the layer.
  virtual int RunModal(CDialog* dialog) = 0;
  virtual void DialogChanged(CDialog* dialog, int id) = 0;
  virtual void DialogFocus(CDialog* dialog, int id) = 0;

  virtual int MessageBox(const std::string& text, const std::string& caption, UINT type) = 0;
  virtual void WaitCursor(bool on) = 0;
  // The file dialog of the open command; false when cancelled.
  virtual bool PromptOpenFile(std::string* path) = 0;
  // A context menu of commands at the pointer.
  virtual void ContextMenu(CWnd* wnd, const std::vector<std::pair<UINT, std::string>>& items) = 0;
};

void AfxSetBackend(AfxBackend* backend);
AfxBackend* AfxGetBackend();

// Posted messages, delivered in order by the back end's loop.
struct AfxPosted {
  CWnd* wnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
void AfxPostMessage(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam);
// Runs what the last paint left, then delivers what is queued now and what
// those deliveries queue; false when nothing was waiting.
bool AfxDeliverPosted();
// Forgets queued messages of a window that goes away.
void AfxForgetPosted(CWnd* wnd);

// Containment at the layer's boundaries (commands, paints, drops, dialogs):
// `where` names the boundary; the program may describe its own exceptions.
using AfxExceptionDescriber = std::function<std::string(std::exception_ptr)>;
void AfxSetExceptionDescriber(AfxExceptionDescriber describer);
// Runs `body`; an exception becomes one message box with its description
// and `where`, and the answer false.
bool AfxContain(const char* where, const std::function<void()>& body);

// Actions a paint triggers (messages, document calls) run after it, from
// the loop (AfxDeliverPosted); outside a paint at once.
void AfxRunAfterPaint(std::function<void()> action);
bool AfxInPaint();
// The back end brackets every paint with these.
void AfxBeginPaint();
void AfxEndPaint();

// A line per paint for tests (the wx back end): `path` names the file the
// lines are appended to, `describe` gives the program's part of the line.
void AfxSetPaintTrace(const std::string& path, std::function<std::string()> describe);
const std::string& AfxPaintTracePath();
std::string AfxPaintTraceDescription();
