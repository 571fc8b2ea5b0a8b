// The preview's scrolling view: paints the page bitmap, keeps the zoom
// markers behind the check marks, and turns commands, combo box input and
// dropped files into calls of the document.
#pragma once

#include <string>

#include "platform/mfc/cscrollview.h"

class CDravixDoc;

class CDravixView : public CScrollView {
 public:
  CDravixView();
  CDravixDoc* GetDocument() const;

  void OnDraw(CDC* pDC) override;
  BOOL OnEraseBkgnd(CDC* pDC) override;
  void OnInitialUpdate() override;
  void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
  void OnDropFiles(HDROP hDropInfo) override;

  int GetZoomMarker() const { return m_nZoomMarker; }
  int GetModeMarker() const { return m_nModeMarker; }

  // The export's choices, kept for the run only (never in the settings file).
  struct ExportSettings {
    std::string path;
    int fgReduction = 1;
    int bgReduction = 1;
    int docType = 2;
    int mask = 3;
    int fgCompression = 1;
    int bgCompression = 1;
    int fgSubsampling = 2;
    int bgSubsampling = 2;
    int fgQuality = 50;
    int bgQuality = 50;
  };
  const ExportSettings& GetExportSettings() const { return m_export; }
  void SetExportSettings(const ExportSettings& settings) { m_export = settings; }

 private:
  bool Shown() const;
  RECT WindowRect() const;
  void SetZoom(int percent, int mode);
  void MovePage(int move);
  void StepZoom(int step);
  void Rotate(int angle, BOOL keep);
  void SetMarkersFromDocument();

  void OnStartPrinting();
  void OnViewZoom();
  void OnViewImageInfo();
  void OnPageGoto();
  void OnFileExportMrc();
  void OnViewFitWindow();
  void OnSelEndOkZoomCombo();
  void OnKillFocusZoomCombo();
  void ShowShownPercentInCombo();

  void UpdatePageItem(CCmdUI* ui, bool forward);
  void UpdateZoomStepItem(CCmdUI* ui, int step);
  void UpdateRotateItem(CCmdUI* ui, bool kept);
  void UpdateZoomItem(CCmdUI* ui, int percent, int mode);

  int m_nZoomMarker = 0;
  int m_nModeMarker = 2;
  BOOL m_bSizeMessageShown = FALSE;
  // The out-of-range reset of a paint runs once per document update.
  bool m_bResetArmed = true;
  ExportSettings m_export;
};
