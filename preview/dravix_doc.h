// CDravixDoc: the preview's one document. It holds which page of the file is
// shown, at which zoom and rotation, and turns every choice into one render
// of its page bridge followed by one update of the views. A first page larger
// than 1230 mm either way is opened but not rendered. Every entry contains
// its failures: it answers false (FALSE for the open), shows one message
// naming file, page and the library's report, and leaves the page, zoom,
// rotation and bitmap shown before as they were.
#pragma once

#include <cstdint>

#include "platform/mfc/cdocument.h"
#include "preview/rst_interface.h"

class CDravixDoc : public CDocument {
 public:
  // Display states.
  static constexpr int kNothingShown = 0;
  static constexpr int kPageOpened = 1;
  static constexpr int kPageRedrawn = 2;
  // The largest page side shown, in millimetres.
  static constexpr int kDisplayLimitMm = 1230;

  // Reads the fit box from the application's settings file.
  CDravixDoc();
  ~CDravixDoc() override;

  BOOL OnNewDocument() override;
  BOOL OnOpenDocument(LPCSTR lpszPathName) override;

  bool SetZoom(int percent, int mode);
  void FitToWindow(const RECT& rect);
  // step -1 out, 0 fit to the rectangle, 1 in.
  bool StepZoom(int step, const RECT& rect);
  // move -2 first, -1 previous, 0 go to number, 1 next, 2 last.
  bool MovePage(int move, uint32_t number);
  // angle 90, -90, 180, or 1 for back to 0; keep: the rotation survives page
  // moves.
  bool Rotate(int angle, bool keep);

  // Writes every page of the open file as one TIFF-FX profile M file. True
  // without a file; false for an empty output path (silently) and for a
  // failed export (one message).
  bool ExportMrc(const char* outputPath, int documentType, int maskCompression, int fgCompression, int bgCompression,
                 int fgReduction, int bgReduction, int fgSubsampling, int bgSubsampling, int fgQuality, int bgQuality);
  int GetExportPageCount() const { return m_nExportPageCount; }

  int FitPercent(int boxWidth, int boxHeight) const;
  static int PixelsToMillimetres(int pixels, int dpi);
  int ShownZoomPercent() const;

  int GetDisplayState() const { return m_nDisplayState; }
  uint32_t GetCurrentPage() const { return m_nCurrentPage; }
  int GetZoomPercent() const { return m_nZoomPercent; }
  int GetZoomMode() const { return m_nZoomMode; }
  int GetRotation() const { return m_nRotation; }
  int GetPageCount() const { return m_interface.GetPageCount(); }
  CRstInterface* GetInterface() { return &m_interface; }
  const CRstInterface* GetInterface() const { return &m_interface; }
  int GetFitWidth() const { return m_nFitWidth; }
  int GetFitHeight() const { return m_nFitHeight; }
  void SetFitWidth(int width) { m_nFitWidth = width > 0 ? width : 1; }
  void SetFitHeight(int height) { m_nFitHeight = height > 0 ? height : 1; }

 private:
  bool set_zoom(int percent, int mode);
  bool render(int percent, int mode, int rotation);
  // The one message of a failed open, render or page move.
  void report_failure(const char* path, uint32_t page, const CRstInterface::Failure& failure);
  // The one message of a failed export.
  void report_export_failure(const char* output, int page, bool hitInput, const CRstInterface::Failure& failure);

  const char* m_strIniPath;
  uint32_t m_nCurrentPage = 0;
  int m_nDisplayState = kNothingShown;
  int m_nZoomPercent = 100;
  int m_nZoomMode = 1;
  int m_nFitWidth;
  int m_nFitHeight;
  int m_nRotation = 0;
  bool m_bKeepRotation = false;
  CRstInterface m_interface;
  int m_nExportPageCount = 0;
};

// The fit percent of a described page for a box (at least 1).
int DravixFitPercent(const CRstInterface& page, int boxWidth, int boxHeight);
