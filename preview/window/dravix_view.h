// The preview's scrolling view: paints the page bitmap, keeps the zoom
// markers behind the check marks, and turns commands, combo box input and
// dropped files into calls of the document.
#pragma once

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
};
