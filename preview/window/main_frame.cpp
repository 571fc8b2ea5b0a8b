// The preview's main frame (see main_frame.h).
#include "preview/window/main_frame.h"

#include "platform/mfc/cwinapp.h"
#include "preview/dravix_app.h"
#include "preview/dravix_settings.h"
#include "preview/window/lindvar_ids.h"
#include "preview/window/lindvar_resources.h"

CComboBox* g_pZoomCombo = nullptr;
CStatusBar* g_pStatusBar = nullptr;

namespace {

const UINT kIndicators[] = {ID_SEPARATOR, IDS_INDICATOR_SIZE, IDS_INDICATOR_PAGE};

// Commands without menu item, button or key, offered in the view's context
// menu under their tooltip texts.
const UINT kContextCommands[] = {
    ID_VIEW_FIT_WINDOW,
    ID_VIEW_UNSCALED_1,
    ID_VIEW_UNSCALED_2,
    ID_VIEW_UNSCALED_4,
    ID_ZOOM_25,
    ID_ZOOM_50,
    ID_ZOOM_75,
    ID_ZOOM_100,
    ID_ZOOM_150,
    ID_ZOOM_200,
    ID_ZOOM_400,
    ID_ROTATE_RESET,
    ID_ROTATE_RIGHT_90,
    ID_ROTATE_LEFT_90,
    ID_ROTATE_180,
    ID_ROTATE_RIGHT_90_KEEP,
    ID_ROTATE_LEFT_90_KEEP,
    ID_ROTATE_180_KEEP,
    ID_VIEW_IMAGE_INFO,
    ID_APP_ABOUT,
    ID_FILE_EXPORT_MRC,
};

}  // namespace

void CToolBarCmb::OnPaint(CDC* dc) {
  CToolBar::OnPaint(dc);
  RECT r;
  GetItemRect(2, &r);
  dc->FillSolidRect(&r, GetSysColor(COLOR_BTNFACE));
}

CMainFrame::CMainFrame() {
  g_pZoomCombo = &m_wndZoomCombo;
  g_pStatusBar = &m_wndStatusBar;
  for (UINT id : kContextCommands) {
    std::string tip;
    AfxPromptParts(id, nullptr, &tip);
    // The export has no prompt: its entry carries the dialog's caption.
    if (tip.empty() && id == ID_FILE_EXPORT_MRC) tip = "TIFF-FX Profile-M...";
    m_contextCommands.emplace_back(id, tip);
  }
}

CMainFrame::~CMainFrame() {
  if (g_pZoomCombo == &m_wndZoomCombo) g_pZoomCombo = nullptr;
  if (g_pStatusBar == &m_wndStatusBar) g_pStatusBar = nullptr;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
  // The title stays the program's; no document name is added.
  cs.style &= ~static_cast<LONG>(FWS_ADDTOTITLE);
  if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
  RECT r = dravix_settings::ReadWindowRect(theApp.GetIniPath());
  cs.x = r.left;
  cs.y = r.top;
  cs.cx = r.right;
  cs.cy = r.bottom;
  return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs) {
  if (CFrameWnd::OnCreate(cs) == -1) return -1;
  if (!CreateToolBar()) return -1;
  if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(kIndicators, 3)) return -1;
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndToolBar);
  if (!CreateComboInToolBar(2, ID_ZOOM_COMBO, 150, 200, &m_wndZoomCombo, CBS_DROPDOWN)) return -1;
  FillZoomCombo();
  return 0;
}

BOOL CMainFrame::CreateToolBar() {
  if (!m_wndToolBar.CreateEx(
          this, TBSTYLE_FLAT,
          WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC))
    return FALSE;
  m_wndToolBar.SetSizes(CSize(31, 30), CSize(24, 24));
  return m_wndToolBar.LoadToolBar(IDB_TOOLBAR, kLindvarToolbar, 11);
}

BOOL CMainFrame::CreateComboInToolBar(int slot, UINT id, int width, int listHeight, CComboBox* control, DWORD style) {
  m_wndToolBar.SetButtonInfo(slot, id, TBBS_SEPARATOR, width);
  return control->CreateInToolBar(&m_wndToolBar, slot, id, style | WS_VISIBLE | WS_VSCROLL, listHeight);
}

void CMainFrame::FillZoomCombo() {
  for (const char* text : {"25%", "50%", "75%", "100%"}) m_wndZoomCombo.AddString(text);
  m_wndZoomCombo.AddString(AfxLoadString(IDS_FIT_PAGE).c_str());
  m_wndZoomCombo.SetCurSel(4);
}

void CMainFrame::OnClose() {
  WINDOWPLACEMENT placement{};
  BOOL known = GetWindowPlacement(&placement);
  RECT rect;
  GetWindowRect(&rect);
  dravix_settings::SaveWindow(theApp.GetIniPath(), known ? &placement : nullptr, rect);
  CFrameWnd::OnClose();
}
