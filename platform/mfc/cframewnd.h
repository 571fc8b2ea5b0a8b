// The frame window: menu, accelerators, control bars, the one view, and the
// routing of commands (view, document, frame, application; the first that
// handles wins) and of update rules.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/mfc/afx_resources.h"
#include "platform/mfc/ccombobox.h"
#include "platform/mfc/ccontrolbars.h"
#include "platform/mfc/cwnd.h"

class CDocument;
class CScrollView;
struct CRuntimeClass;

struct CREATESTRUCT {
  LPVOID lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  DWORD dwExStyle = 0;
};
using LPCREATESTRUCT = CREATESTRUCT*;

// What the template hands the frame it creates.
struct CCreateContext {
  const CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
};

#define CW_USEDEFAULT (static_cast<int>(0x80000000))

class CFrameWnd : public CWnd {
 public:
  CFrameWnd() = default;
  ~CFrameWnd() override;

  // Creates the window from resource `nIDResource` (menu, accelerators,
  // title string of the template), then OnCreate and the view.
  BOOL LoadFrame(UINT nIDResource, DWORD style, CWnd* parent, CCreateContext* context);
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  // -1 stops the creation.
  virtual int OnCreate(LPCREATESTRUCT cs);
  void OnClose() override;
  void OnDestroy() override;

  CScrollView* GetActiveView() const { return m_pViewActive; }
  CDocument* GetActiveDocument() const;
  BOOL GetWindowPlacement(WINDOWPLACEMENT* placement) const;
  void SetTitle(const std::string& title);
  const std::string& GetTitle() const { return m_strTitle; }
  void InitialUpdateFrame(CDocument* doc, BOOL makeVisible);

  // Docking: bars dock at the top or bottom as created.
  void EnableDocking(DWORD) {}
  void DockControlBar(CControlBar* bar) { bar->m_dwStyle |= CBRS_ALIGN_TOP; }
  void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
  void RecalcLayout() {}

  // Commands: routed from the frame; keys through the accelerators.
  BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // An accelerator for this key (FCONTROL etc. in `flags`): its command is
  // run. FALSE when none matches.
  BOOL TranslateKey(WORD vk, BYTE flags);
  // Runs the update rules of `id`; FALSE when no target has one and no
  // handler (the item is then disabled).
  BOOL UpdateCmdUI(UINT id, BOOL* enabled, int* check);
  // Every id of the menu, the toolbar and the extra ids below.
  std::vector<UINT> CommandIds() const;
  // Commands without menu item, button or key, offered in the view's
  // context menu.
  std::vector<std::pair<UINT, std::string>> m_contextCommands;

  // Files dropped on the frame or its view.
  virtual void OnDropFiles(const std::vector<std::string>& paths);

  // The ids of the menu (from its table) and the accelerators.
  const AfxMenu* m_menu = nullptr;
  const AfxAccelTable* m_accel = nullptr;
  UINT m_nIDHelp = 0;
  DWORD m_dwStyle = 0;
  std::vector<CControlBar*> m_bars;
  CComboBox* m_pCombo = nullptr;  // a combo box in the toolbar, if any

 protected:
  // Creates the view of the context as the client.
  virtual BOOL OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context);

  std::string m_strTitle;
  CScrollView* m_pViewActive = nullptr;

 private:
  void OnToolbarToggle();
  void OnUpdateToolbar(CCmdUI* ui);
  bool m_bCommandsMapped = false;
};
