// The preview's view (see dravix_view.h).
#include "preview/window/dravix_view.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/cwinapp.h"
#include "preview/dravix_app.h"
#include "preview/dravix_doc.h"
#include "preview/window/info_dialog.h"
#include "preview/window/lindvar_ids.h"
#include "preview/window/main_frame.h"
#include "raster/core/rst_image_info.h"
#include "preview/window/make_bmp_dlg.h"
#include "preview/window/make_tfxpm_dlg.h"
#include "preview/window/view_dialog.h"

namespace {

// The largest page side shown, in millimetres.
constexpr int kDisplayLimitMm = 1230;

std::string Format(const char* format, int a, int b = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

}  // namespace

CDravixView::CDravixView() {
  MapCommand(ID_FILE_PRINT_DIRECT, [this] { OnStartPrinting(); });
  MapCommand(ID_PAGE_FIRST, [this] { MovePage(-2); });
  MapCommand(ID_PAGE_PREV, [this] { MovePage(-1); });
  MapCommand(ID_PAGE_NEXT, [this] { MovePage(1); });
  MapCommand(ID_PAGE_LAST, [this] { MovePage(2); });
  MapUpdate(ID_PAGE_FIRST, [this](CCmdUI* ui) { UpdatePageItem(ui, false); });
  MapUpdate(ID_PAGE_PREV, [this](CCmdUI* ui) { UpdatePageItem(ui, false); });
  MapUpdate(ID_PAGE_NEXT, [this](CCmdUI* ui) { UpdatePageItem(ui, true); });
  MapUpdate(ID_PAGE_LAST, [this](CCmdUI* ui) { UpdatePageItem(ui, true); });
  MapCommand(ID_PAGE_GOTO, [this] { OnPageGoto(); });
  MapUpdate(ID_PAGE_GOTO, [this](CCmdUI* ui) { ui->Enable(Shown() && GetDocument()->ShownZoomPercent() != 0); });
  MapCommand(ID_VIEW_ZOOM, [this] { OnViewZoom(); });
  MapUpdate(ID_VIEW_ZOOM, [this](CCmdUI* ui) { ui->Enable(Shown()); });
  MapCommand(ID_ZOOM_OUT, [this] { StepZoom(-1); });
  MapCommand(ID_ZOOM_FIT, [this] { StepZoom(0); });
  MapCommand(ID_ZOOM_IN, [this] { StepZoom(1); });
  MapUpdate(ID_ZOOM_OUT, [this](CCmdUI* ui) { UpdateZoomStepItem(ui, -1); });
  MapUpdate(ID_ZOOM_FIT, [this](CCmdUI* ui) { UpdateZoomStepItem(ui, 0); });
  MapUpdate(ID_ZOOM_IN, [this](CCmdUI* ui) { UpdateZoomStepItem(ui, 1); });
  MapUpdate(ID_ZOOM_COMBO, [this](CCmdUI* ui) { ui->Enable(Shown() && GetDocument()->ShownZoomPercent() != 0); });
  MapNotify(ID_ZOOM_COMBO, CBN_SELENDOK, [this] { OnSelEndOkZoomCombo(); });
  MapNotify(ID_ZOOM_COMBO, CBN_KILLFOCUS, [this] { OnKillFocusZoomCombo(); });
  // Enter in the combo box: the focus goes to the view, which ends the input.
  MapCommand(IDOK, [this] { SetFocus(); });
  MapCommand(ID_VIEW_FIT_WINDOW, [this] { OnViewFitWindow(); });
  MapUpdate(ID_VIEW_FIT_WINDOW, [this](CCmdUI* ui) {
    ui->Enable(Shown());
    ui->SetCheck(m_nModeMarker == 2);
  });
  struct Zoom {
    UINT id;
    int percent, mode;
  };
  static const Zoom kZooms[] = {
      {ID_VIEW_UNSCALED_1, 100, 0}, {ID_VIEW_UNSCALED_2, 200, 0}, {ID_VIEW_UNSCALED_4, 400, 0}, {ID_ZOOM_25, 25, 1},
      {ID_ZOOM_50, 50, 1},          {ID_ZOOM_75, 75, 1},          {ID_ZOOM_100, 100, 1},        {ID_ZOOM_150, 150, 1},
      {ID_ZOOM_200, 200, 1},        {ID_ZOOM_400, 400, 1}};
  for (const Zoom& z : kZooms) {
    MapCommand(z.id, [this, z] { SetZoom(z.percent, z.mode); });
    MapUpdate(z.id, [this, z](CCmdUI* ui) { UpdateZoomItem(ui, z.percent, z.mode); });
  }
  MapCommand(ID_VIEW_IMAGE_INFO, [this] { OnViewImageInfo(); });
  MapCommand(ID_FILE_EXPORT_MRC, [this] { OnFileExportMrc(); });
  MapUpdate(ID_FILE_EXPORT_MRC, [](CCmdUI* ui) { ui->Enable(TRUE); });
  struct Turn {
    UINT id;
    int angle;
    BOOL keep;
  };
  static const Turn kTurns[] = {{ID_ROTATE_RESET, 1, FALSE},         {ID_ROTATE_RIGHT_90, 90, FALSE},
                                {ID_ROTATE_LEFT_90, -90, FALSE},     {ID_ROTATE_180, 180, FALSE},
                                {ID_ROTATE_RIGHT_90_KEEP, 90, TRUE}, {ID_ROTATE_LEFT_90_KEEP, -90, TRUE},
                                {ID_ROTATE_180_KEEP, 180, TRUE}};
  for (const Turn& t : kTurns) {
    MapCommand(t.id, [this, t] { Rotate(t.angle, t.keep); });
    MapUpdate(t.id, [this, t](CCmdUI* ui) { UpdateRotateItem(ui, t.keep != FALSE); });
  }
}

CDravixDoc* CDravixView::GetDocument() const { return static_cast<CDravixDoc*>(CView::GetDocument()); }

bool CDravixView::Shown() const {
  CDravixDoc* doc = GetDocument();
  return doc && doc->GetDisplayState() != 0;
}

RECT CDravixView::WindowRect() const {
  RECT r{0, 0, 0, 0};
  GetWindowRect(&r);
  return r;
}

// ---- Helpers behind the commands ---------------------------------------------------

void CDravixView::SetZoom(int percent, int mode) {
  m_nZoomMarker = percent;
  m_nModeMarker = mode;
  if (!Shown()) return;
  CWaitCursor wait;
  GetDocument()->SetZoom(percent, mode);
}

void CDravixView::MovePage(int move) {
  if (!Shown()) return;
  CWaitCursor wait;
  GetDocument()->MovePage(move, 0);
  SetMarkersFromDocument();
}

void CDravixView::StepZoom(int step) {
  CDravixDoc* doc = GetDocument();
  if (!doc) return;
  CWaitCursor wait;
  RECT rect = Shown() ? WindowRect() : RECT{0, 0, 0, 0};
  doc->StepZoom(step, rect);
  SetMarkersFromDocument();
}

void CDravixView::Rotate(int angle, BOOL keep) {
  if (!Shown()) return;
  CWaitCursor wait;
  GetDocument()->Rotate(angle, keep != FALSE);
}

void CDravixView::SetMarkersFromDocument() {
  m_nZoomMarker = GetDocument()->GetZoomPercent();
  m_nModeMarker = GetDocument()->GetZoomMode();
}

// ---- Commands ------------------------------------------------------------------------

void CDravixView::OnStartPrinting() {
  auto* app = static_cast<CDravixApp*>(AfxGetApp());
  app->SetStartPrinting();
  if (CFrameWnd* main = AfxGetMainWnd()) main->PostMessage(WM_CLOSE);
}

void CDravixView::OnViewFitWindow() {
  if (!Shown()) return;
  CWaitCursor wait;
  GetDocument()->FitToWindow(WindowRect());
  m_nZoomMarker = -1;
  m_nModeMarker = 2;
}

void CDravixView::OnViewZoom() {
  if (!Shown()) return;
  CDravixDoc* doc = GetDocument();
  int shown = doc->ShownZoomPercent();
  CViewDialog dlg(this);
  dlg.m_nPercent = shown < 10 || shown > 200 ? 0 : static_cast<UINT>(shown);
  if (doc->GetZoomMode() == 2) dlg.m_nChoice = 4;
  else if (shown == 25) dlg.m_nChoice = 0;
  else if (shown == 50) dlg.m_nChoice = 1;
  else if (shown == 75) dlg.m_nChoice = 2;
  else if (shown == 100) dlg.m_nChoice = 3;
  else dlg.m_nChoice = 5;
  if (dlg.DoModal() == IDOK) {
    CWaitCursor wait;
    static const int kPercents[] = {25, 50, 75, 100};
    if (dlg.m_nChoice >= 0 && dlg.m_nChoice <= 3) doc->SetZoom(kPercents[dlg.m_nChoice], 1);
    else if (dlg.m_nChoice == 4) doc->FitToWindow(WindowRect());
    else if (dlg.m_nChoice == 5) doc->SetZoom(static_cast<int>(dlg.m_nPercent), 1);
  }
  // After the dialog no zoom item carries a check mark.
  m_nZoomMarker = -2;
  m_nModeMarker = 1;
}

void CDravixView::OnViewImageInfo() {
  if (!Shown()) return;
  CInfoDialog dlg(this);
  dlg.m_strOther = GetDocument()->GetInterface()->GetSoftwareText();
  dlg.DoModal();
}

void CDravixView::OnPageGoto() {
  CDravixDoc* doc = GetDocument();
  if (!doc) return;
  CMakeBmpDlg dlg(this);
  int count = static_cast<int>(doc->GetPageCount());
  dlg.m_strRange = Format(AfxLoadString(IDS_PAGE_RANGE).c_str(), count);
  dlg.m_nPage = doc->GetCurrentPage();
  dlg.m_nPageCount = static_cast<UINT>(count);
  if (dlg.DoModal() != IDOK) return;
  CWaitCursor wait;
  if (dlg.m_nPage >= 1 && dlg.m_nPage <= dlg.m_nPageCount) {
    doc->MovePage(0, dlg.m_nPage);
    SetMarkersFromDocument();
  }
}

void CDravixView::OnFileExportMrc() {
  CDravixDoc* doc = GetDocument();
  if (!doc) return;
  // A stored value outside its range preselects its default.
  auto in = [](int value, int last, int fallback) { return value >= 0 && value <= last ? value : fallback; };
  const ExportSettings& s = m_export;
  CMakeTfxpmDlg dlg(this);
  dlg.m_strPath = s.path.empty() ? "c:\\out.tif" : s.path;
  dlg.m_nFgReduction = in(s.fgReduction, 3, 1);
  dlg.m_nBgReduction = in(s.bgReduction, 3, 1);
  dlg.m_nDocType = in(s.docType, 2, 2);
  dlg.m_nMask = in(s.mask, 4, 3);
  dlg.m_nFgCompression = in(s.fgCompression, 2, 1);
  dlg.m_nBgCompression = in(s.bgCompression, 2, 1);
  dlg.m_nFgSubsampling = in(s.fgSubsampling, 3, 2);
  dlg.m_nBgSubsampling = in(s.bgSubsampling, 3, 2);
  dlg.m_nFgQuality = static_cast<UINT>(s.fgQuality >= 1 && s.fgQuality <= 100 ? s.fgQuality : 50);
  dlg.m_nBgQuality = static_cast<UINT>(s.bgQuality >= 1 && s.bgQuality <= 100 ? s.bgQuality : 50);
  if (dlg.DoModal() != IDOK) return;
  CWaitCursor wait;
  m_export = {dlg.m_strPath,
              dlg.m_nFgReduction,
              dlg.m_nBgReduction,
              dlg.m_nDocType,
              dlg.m_nMask,
              dlg.m_nFgCompression,
              dlg.m_nBgCompression,
              dlg.m_nFgSubsampling,
              dlg.m_nBgSubsampling,
              static_cast<int>(dlg.m_nFgQuality),
              static_cast<int>(dlg.m_nBgQuality)};
  // The document shows the failures; an empty path writes nothing.
  doc->ExportMrc(m_export.path.c_str(), m_export.docType, m_export.mask, m_export.fgCompression, m_export.bgCompression,
                 m_export.fgReduction, m_export.bgReduction, m_export.fgSubsampling, m_export.bgSubsampling,
                 m_export.fgQuality, m_export.bgQuality);
}

void CDravixView::ShowShownPercentInCombo() {
  if (CComboBox* combo = g_pZoomCombo) combo->SetWindowText(Format("%d%%", GetDocument()->ShownZoomPercent()));
}

void CDravixView::OnSelEndOkZoomCombo() {
  CComboBox* combo = g_pZoomCombo;
  if (!combo) return;
  CWaitCursor wait;
  static const int kPercents[] = {25, 50, 75, 100};
  int sel = combo->GetCurSel();
  if (sel >= 0 && sel <= 3) GetDocument()->SetZoom(kPercents[sel], 1);
  else if (sel == 4) GetDocument()->FitToWindow(WindowRect());
  ShowShownPercentInCombo();
}

void CDravixView::OnKillFocusZoomCombo() {
  CComboBox* combo = g_pZoomCombo;
  if (!combo) return;
  CWaitCursor wait;
  std::string text;
  combo->GetWindowText(text);
  if (!text.empty() && text.back() == '%') text.pop_back();
  int number = std::atoi(text.c_str());
  int shown = GetDocument()->ShownZoomPercent();
  if (Format("%d", number) != text || number < 10 || number > 200) {
    AfxMessageBox(Format(AfxLoadString(IDS_ZOOM_RANGE).c_str(), 200).c_str(), MB_OK);
    ShowShownPercentInCombo();
  } else if (number == shown) {
    ShowShownPercentInCombo();
  } else {
    GetDocument()->SetZoom(number, 1);
  }
}

// ---- Update rules ----------------------------------------------------------------------

void CDravixView::UpdatePageItem(CCmdUI* ui, bool forward) {
  CDravixDoc* doc = GetDocument();
  int count = doc ? static_cast<int>(doc->GetPageCount()) : 0;
  int page = doc ? static_cast<int>(doc->GetCurrentPage()) : 0;
  ui->Enable(doc && count > 1 && (forward ? page < count : page > 1));
}

void CDravixView::UpdateZoomStepItem(CCmdUI* ui, int step) {
  int shown = Shown() ? GetDocument()->ShownZoomPercent() : 0;
  bool on = shown != 0;
  if (step < 0) on = on && shown > 25;
  if (step > 0) on = on && shown < 200;
  ui->Enable(on);
}

void CDravixView::UpdateRotateItem(CCmdUI* ui, bool kept) {
  ui->Enable(Shown() && (!kept || GetDocument()->GetPageCount() > 1));
}

void CDravixView::UpdateZoomItem(CCmdUI* ui, int percent, int mode) {
  ui->Enable(Shown());
  ui->SetCheck(m_nZoomMarker == percent && m_nModeMarker == mode);
}

// ---- Framework overrides -------------------------------------------------------------

void CDravixView::OnInitialUpdate() {
  DragAcceptFiles();
  CScrollView::OnInitialUpdate();
}

void CDravixView::OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) {
  CScrollView::OnUpdate(pSender, lHint, pHint);
  CDravixDoc* doc = GetDocument();
  if (!doc) return;
  m_bResetArmed = true;
  int state = doc->GetDisplayState();
  if (state == 0) {
    doc->SetFitWidth(768);
    doc->SetFitHeight(768);
  }
  CRstInterface* rst = doc->GetInterface();
  if (state != 0) SetScrollSizes(MM_TEXT, CSize(rst->GetDisplayWidth(), rst->GetDisplayHeight()));
  else SetScrollSizes(MM_TEXT, CSize(768, 768));
  if (state == 1) m_nZoomMarker = -1;
  if (CStatusBar* bar = g_pStatusBar) {
    UINT id = 0, style = 0;
    int width = 0;
    bar->GetPaneInfo(0, id, style, width);
    bar->SetPaneInfo(0, id, style, 1);
    int mmW =
        CDravixDoc::PixelsToMillimetres(static_cast<int>(rst->GetWidth()), static_cast<int>(rst->GetXResolution()));
    int mmH =
        CDravixDoc::PixelsToMillimetres(static_cast<int>(rst->GetHeight()), static_cast<int>(rst->GetYResolution()));
    bar->SetPaneText(1, Format(AfxLoadString(IDS_IMAGE_SIZE).c_str(), mmW, mmH).c_str());
    bar->SetPaneText(
        2, Format("%d/ %d", static_cast<int>(doc->GetCurrentPage()), static_cast<int>(doc->GetPageCount())).c_str());
  }
}

void CDravixView::OnDraw(CDC* pDC) {
  CDravixDoc* doc = GetDocument();
  if (!doc) return;
  CRstInterface* rst = doc->GetInterface();
  // A page refused for display draws nothing, not the bitmap of an earlier file.
  if (Shown()) rst->Draw(pDC);
  int mmW = CDravixDoc::PixelsToMillimetres(static_cast<int>(rst->GetWidth()), static_cast<int>(rst->GetXResolution()));
  int mmH =
      CDravixDoc::PixelsToMillimetres(static_cast<int>(rst->GetHeight()), static_cast<int>(rst->GetYResolution()));
  int shown = doc->ShownZoomPercent();
  if (Shown()) ShowShownPercentInCombo();
  if (mmW > kDisplayLimitMm || mmH > kDisplayLimitMm) {
    if (!m_bSizeMessageShown) {
      m_bSizeMessageShown = TRUE;
      AfxMessageBox(IDS_TOO_LARGE, MB_OK);
    }
  } else if ((shown < 10 || shown > 200) && m_bResetArmed &&
             !(doc->GetZoomPercent() == 100 && doc->GetZoomMode() == 1)) {
    // Once per document update and after the paint: a percent that stays
    // out of range after the reset must not repaint for ever.
    m_bResetArmed = false;
    AfxRunAfterPaint([doc] { doc->SetZoom(100, 1); });
  }
}

BOOL CDravixView::OnEraseBkgnd(CDC* pDC) {
  CBrush brush(RGB(192, 192, 192));
  RECT clip;
  pDC->GetClipBox(&clip);
  CBrush* old = pDC->SelectObject(&brush);
  pDC->PatBlt(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, PATCOPY);
  pDC->SelectObject(old);
  return TRUE;
}

void CDravixView::OnDropFiles(HDROP hDropInfo) {
  // Only the first file opens, with its whole path however long.
  if (DragQueryFileA(hDropInfo, 0xFFFFFFFFu, nullptr, 0) == 0) return;
  UINT length = DragQueryFileA(hDropInfo, 0, nullptr, 0);
  std::string path(length + 1, '\0');
  DragQueryFileA(hDropInfo, 0, path.data(), length + 1);
  path.resize(length);
  AfxGetApp()->OpenDocumentFile(path.c_str());
}
