// The headless back end: windows are records a test reads (title, placement,
// panes, combo box, update states, scroll size, the last painted bitmap)
// and drives (commands, keys, combo input, drops, sizes, closing, dialog
// answers). Message boxes go to the platform's MessageBoxW, whose seam
// records them and answers from the test's queue.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/cdc.h"
#include "platform/mfc/cdialog.h"
#include "platform/mfc/cframewnd.h"
#include "platform/mfc/cscrollview.h"

namespace pk::mfc {

// What a test does with an open dialog.
class DialogDriver {
 public:
  explicit DialogDriver(CDialog* dialog) : d_(dialog) {}
  UINT id() const { return d_->GetTemplate()->id; }
  std::string caption() const { return d_->GetWindowText(); }
  std::string text(int id) const { return d_->GetDlgItemText(id); }
  bool checked(int id) const { return d_->IsDlgButtonChecked(id) != 0; }
  int focused() const { return d_->GetFocusedControl(); }
  // Focus into the control, then its text replaced.
  void type(int id, const std::string& text);
  void focus(int id) { d_->UserFocus(id); }
  // A click; true when the dialog has ended.
  bool click(int id);
  CDialog* dialog() const { return d_; }

 private:
  CDialog* d_;
};

class HeadlessBackend : public AfxBackend {
 public:
  // Sets itself as the process's back end; the destructor unsets it.
  HeadlessBackend();
  ~HeadlessBackend() override;

  // ---- What a test reads ----------------------------------------------------
  CFrameWnd* frame() const { return frame_; }
  bool running() const { return frame_ && frame_->IsCreated(); }
  std::string title() const { return frame_ ? frame_->GetWindowText() : std::string(); }
  int showCommand() const { return showCmd_; }
  bool maximised() const { return showCmd_ == SW_SHOWMAXIMIZED; }
  bool minimised() const { return showCmd_ == SW_SHOWMINIMIZED || showCmd_ == SW_MINIMIZE; }
  RECT normalRect() const { return normal_; }
  CREATESTRUCT created() const { return created_; }
  std::vector<std::string> statusPanes() const;
  std::string comboText() const;
  std::vector<std::string> comboList() const;
  bool toolbarShown() const;
  CSize scrollSize() const;
  // Runs the update rules of `id` now, as before a menu opens.
  bool enabled(UINT id) const;
  int checked(UINT id) const;
  // Tooltip of a toolbar slot and fly-by text of a command (their prompts).
  std::string tooltip(int slot) const;
  std::string flyBy(UINT id) const;
  struct Painted {
    int x = 0, y = 0, width = 0, height = 0, stride = 0;
    std::vector<BYTE> bits;  // bottom-up BGR rows as drawn
  };
  // The DIB drawn by the last paint that drew one; null when none did.
  const Painted* lastPainted() const { return painted_.width ? &painted_ : nullptr; }
  // Paints so far, and whether the last one drew a bitmap.
  int paints() const { return paints_; }
  bool lastPaintDrew() const { return lastDrew_; }
  int waitCursors() const { return waitCursors_; }
  int waitDepth() const { return waitDepth_; }
  struct DialogSeen {
    UINT id;
    std::string caption;
    std::map<int, std::string> texts;  // after its initialisation
    std::map<int, int> checks;
    int result;
  };
  const std::vector<DialogSeen>& dialogs() const { return dialogs_; }
  const std::vector<std::pair<UINT, std::string>>& contextMenu() const { return contextMenu_; }

  // ---- What a test does -----------------------------------------------------
  // Each runs its action, then delivers what it posted and paints.
  void command(UINT id);
  bool key(WORD vk, BYTE modifiers = 0);
  void pickCombo(int index);
  // Types into the combo box, then Enter (or leaves it).
  void typeCombo(const std::string& text, bool enter = true);
  void drop(const std::vector<std::string>& paths);
  void resize(int width, int height);
  void maximise();
  void minimise();
  void restore();
  void closeBox();
  void rightClick();
  // Delivers posted messages and paints invalid views until all is quiet
  // (a bounded number of rounds); answers the rounds that did work.
  int pump();
  // The next dialogs opened run these; a dialog left open is cancelled.
  void answerDialog(std::function<void(DialogDriver&)> script);
  // GetWindowPlacement answers FALSE while set.
  void setPlacementUnknown(bool unknown) { placementUnknown_ = unknown; }
  // The open command's file dialog answers this (empty: cancelled).
  void setOpenFileAnswer(const std::string& path) { openAnswer_ = path; }
  // Steps AfxWinMain's loop runs, in order, after start-up.
  void script(std::function<void(HeadlessBackend&)> step) { steps_.push_back(std::move(step)); }

  // ---- AfxBackend ----------------------------------------------------------
  bool CreateFrame(CFrameWnd* frame, const CREATESTRUCT& cs) override;
  bool CreateView(CScrollView* view) override;
  bool CreateToolBar(CToolBar* bar) override;
  bool CreateStatusBar(CStatusBar* bar) override;
  bool CreateCombo(CComboBox* combo, CToolBar* bar, int slot) override;
  void Destroy(CWnd* wnd) override;
  void Show(CWnd* wnd, int nCmdShow) override;
  bool GetPlacement(const CWnd* wnd, WINDOWPLACEMENT* placement) override;
  RECT GetWindowRect(const CWnd* wnd) override;
  RECT GetClientRect(const CWnd* wnd) override;
  void Changed(CWnd*) override {}
  void Invalidate(CWnd* wnd) override;
  void SetFocus(CWnd*) override {}
  void Wake() override {}
  void Run(CWinApp* app) override;
  int RunModal(CDialog* dialog) override;
  void DialogChanged(CDialog*, int) override {}
  void DialogFocus(CDialog*, int) override {}
  int MessageBox(const std::string& text, const std::string& caption, UINT type) override;
  void WaitCursor(bool on) override;
  bool PromptOpenFile(std::string* path) override;
  void ContextMenu(CWnd* wnd, const std::vector<std::pair<UINT, std::string>>& items) override;

 private:
  class Surface;
  CToolBar* toolbar() const;
  CStatusBar* statusBar() const;

  CFrameWnd* frame_ = nullptr;
  CScrollView* view_ = nullptr;
  CREATESTRUCT created_;
  RECT normal_{0, 0, 0, 0};
  int showCmd_ = SW_HIDE;
  bool placementUnknown_ = false;
  bool viewInvalid_ = false;
  int paints_ = 0;
  bool lastDrew_ = false;
  Painted painted_;
  int waitCursors_ = 0;
  int waitDepth_ = 0;
  std::deque<std::function<void(DialogDriver&)>> dialogScripts_;
  std::vector<DialogSeen> dialogs_;
  std::vector<std::pair<UINT, std::string>> contextMenu_;
  std::string openAnswer_;
  std::vector<std::function<void(HeadlessBackend&)>> steps_;
  int peerTag_ = 0;
};

}  // namespace pk::mfc
