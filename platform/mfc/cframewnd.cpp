// The frame window: creation, routing, update rules, keys and bars (see
// cframewnd.h).
#include "platform/mfc/cframewnd.h"

#include <algorithm>

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/cdoctemplate.h"
#include "platform/mfc/cwinapp.h"

CFrameWnd::~CFrameWnd() {
  // The view is the frame's; it leaves its document on the way out.
  delete m_pViewActive;
  m_pViewActive = nullptr;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD style, CWnd* parent, CCreateContext* context) {
  if (!m_bCommandsMapped) {
    m_bCommandsMapped = true;
    MapCommand(ID_VIEW_TOOLBAR, [this] { OnToolbarToggle(); });
    MapUpdate(ID_VIEW_TOOLBAR, [this](CCmdUI* ui) { OnUpdateToolbar(ui); });
  }
  m_nIDHelp = nIDResource;
  m_pParent = parent;
  m_menu = AfxFindMenu(nIDResource);
  m_accel = AfxFindAccelerators(nIDResource);
  if (m_strTitle.empty()) {
    std::string s = AfxLoadString(nIDResource);
    m_strTitle = s.substr(0, s.find('\n'));
    // Without a title of its own the frame shows the application's.
    if (m_strTitle.empty() && AfxGetApp()) m_strTitle = AfxGetApp()->m_pszAppName;
  }
  CREATESTRUCT cs;
  cs.style = static_cast<LONG>(style);
  cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
  cs.lpszName = m_strTitle.c_str();
  cs.lpCreateParams = context;
  if (!PreCreateWindow(cs)) return FALSE;
  m_dwStyle = static_cast<DWORD>(cs.style);
  m_text = m_strTitle;
  if (!AfxGetBackend() || !AfxGetBackend()->CreateFrame(this, cs)) return FALSE;
  if (OnCreate(&cs) == -1) {
    DestroyWindow();
    return FALSE;
  }
  return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (cs.style == 0) cs.style = static_cast<LONG>(WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE);
  return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT cs) {
  auto* context = static_cast<CCreateContext*>(cs->lpCreateParams);
  return OnCreateClient(cs, context) ? 0 : -1;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* context) {
  if (!context || !context->m_pNewViewClass) return TRUE;
  CScrollView* view = context->m_pNewViewClass->createView();
  if (!view) return FALSE;
  view->m_pParent = this;
  view->m_pFrame = this;
  view->m_nID = AFX_IDW_PANE_FIRST;
  if (!AfxGetBackend()->CreateView(view)) {
    delete view;
    return FALSE;
  }
  m_pViewActive = view;
  if (context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(view);
  return TRUE;
}

void CFrameWnd::OnClose() { DestroyWindow(); }

void CFrameWnd::OnDestroy() {
  if (m_pViewActive) m_pViewActive->DestroyWindow();
  if (m_pCombo) m_pCombo->DestroyWindow();
  for (CControlBar* bar : m_bars) bar->DestroyWindow();
}

CDocument* CFrameWnd::GetActiveDocument() const { return m_pViewActive ? m_pViewActive->GetDocument() : nullptr; }

BOOL CFrameWnd::GetWindowPlacement(WINDOWPLACEMENT* placement) const {
  if (!m_peer || !placement) return FALSE;
  placement->length = sizeof(WINDOWPLACEMENT);
  return AfxGetBackend()->GetPlacement(this, placement) ? TRUE : FALSE;
}

void CFrameWnd::SetTitle(const std::string& title) {
  m_strTitle = title;
  SetWindowText(title);
}

void CFrameWnd::InitialUpdateFrame(CDocument* doc, BOOL) {
  // The document's name joins the title only with FWS_ADDTOTITLE.
  std::string title = m_strTitle;
  if ((m_dwStyle & FWS_ADDTOTITLE) && doc && !doc->GetPathName().empty()) {
    const std::string& p = doc->GetPathName();
    size_t cut = p.find_last_of("\\/");
    title = (cut == std::string::npos ? p : p.substr(cut + 1)) + " - " + m_strTitle;
  }
  SetWindowText(title);
  if (m_pViewActive) m_pViewActive->OnInitialUpdate();
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL) {
  if (!bar) return;
  bar->ShowWindow(show ? SW_SHOW : SW_HIDE);
  if (m_peer) AfxGetBackend()->Changed(this);
}

void CFrameWnd::OnToolbarToggle() {
  for (CControlBar* bar : m_bars)
    if (bar->m_nID == AFX_IDW_TOOLBAR) ShowControlBar(bar, !bar->IsVisible(), FALSE);
}

void CFrameWnd::OnUpdateToolbar(CCmdUI* ui) {
  for (CControlBar* bar : m_bars)
    if (bar->m_nID == AFX_IDW_TOOLBAR) {
      ui->SetCheck(bar->IsVisible() ? 1 : 0);
      return;
    }
  ui->m_bEnableChanged = FALSE;
  ui->Enable(FALSE);
}

BOOL CFrameWnd::OnCmdMsg(UINT id, int code, CCmdUI* ui) {
  if (m_pViewActive && m_pViewActive->OnCmdMsg(id, code, ui)) return TRUE;
  if (CWnd::OnCmdMsg(id, code, ui)) return TRUE;
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(id, code, ui);
}

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM) {
  UINT id = LOWORD(wParam);
  int code = static_cast<short>(HIWORD(wParam));
  BOOL handled = FALSE;
  AfxContain("CFrameWnd::OnCommand", [&] { handled = OnCmdMsg(id, code, nullptr); });
  return handled;
}

BOOL CFrameWnd::UpdateCmdUI(UINT id, BOOL* enabled, int* check) {
  CCmdUI ui(id);
  BOOL known = FALSE;
  AfxContain("CFrameWnd::OnUpdateCmdUI", [&] {
    known = OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &ui);
    if (!known) {
      // No rule: enabled when some target handles the command.
      CCmdUI probe(id);
      known = OnCmdMsg(id, CN_COMMAND, &probe);
      ui.m_bEnabled = known;
    }
  });
  if (!known) ui.m_bEnabled = FALSE;
  if (enabled) *enabled = ui.m_bEnabled;
  if (check) *check = ui.m_nCheck;
  return known;
}

BOOL CFrameWnd::TranslateKey(WORD vk, BYTE flags) {
  if (!m_accel) return FALSE;
  BYTE mods = flags & (FCONTROL | FSHIFT | FALT);
  for (int i = 0; i < m_accel->count; ++i) {
    const AfxAccel& a = m_accel->entries[i];
    if (a.key != vk || (a.fVirt & (FCONTROL | FSHIFT | FALT)) != mods) continue;
    // A key of a disabled item does nothing, as its menu item would.
    BOOL on = TRUE;
    UpdateCmdUI(a.cmd, &on, nullptr);
    if (on) OnCommand(MAKEWPARAM(a.cmd, 0), 0);
    return TRUE;
  }
  return FALSE;
}

std::vector<UINT> CFrameWnd::CommandIds() const {
  std::vector<UINT> ids;
  auto add = [&](UINT id) {
    if (id != 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  };
  if (m_menu)
    for (int i = 0; i < m_menu->count; ++i)
      if (m_menu->items[i].kind == AfxMenuItem::kCommand) add(m_menu->items[i].id);
  for (CControlBar* bar : m_bars)
    if (auto* tb = dynamic_cast<CToolBar*>(bar))
      for (const CToolBar::Slot& s : tb->m_slots) add(s.id);
  if (m_pCombo) add(m_pCombo->m_nID);
  for (const auto& c : m_contextCommands) add(c.first);
  return ids;
}

void CFrameWnd::OnDropFiles(const std::vector<std::string>& paths) {
  if (m_pViewActive && m_pViewActive->IsAcceptingFiles())
    AfxContain("CView::OnDropFiles", [&] { m_pViewActive->OnDropFiles(&paths); });
}
