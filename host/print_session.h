// One printer device context as GDI would run it: the graphics driver's PDEV
// and surface, the interface library's document events around every step, the
// page journal and its replay band by band, ResetDC, and the job on the
// printer. Drawing state (pen, brush, font, colours, clip, raster operation)
// turns drawing calls into journal items in device dots.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/band_replay.h"
#include "platform/gdi/printer_dc.h"

namespace pkhost {

// The spooler's side of the document's job on the printer handle.
class JobPort {
 public:
  virtual ~JobPort() = default;
  virtual DWORD StartDoc(const std::u16string& name) = 0;  // the job id, 0 on failure
  virtual bool EndDoc() = 0;
  virtual void AbortDoc() = 0;
};

// What the device context is made for.
struct PrinterSetup {
  std::u16string printerName;
  std::u16string driverPath;     // graphics driver
  std::u16string interfacePath;  // printer interface library; empty: none
  HANDLE hPrinter = nullptr;
  std::vector<uint8_t> devMode;  // the application's DEVMODE with its private part
};

struct DrawState {
  PenDesc pen;
  BrushDesc brush;
  FontDesc font;
  ULONG textColor = 0x000000;
  ULONG backColor = 0xFFFFFF;
  bool opaqueText = false;
  ROP4 rop4 = 0xF0F0;
  // The layer's rectangles are byte-packed: kept on a 4-byte boundary here so
  // the engine's region calls get aligned fields.
  RECTL clip{};  // in device dots when clipped
  bool clipped = false;
};

enum class SessionState { Idle, Ready, InDocument, Aborted, Failed };

class PrintSession : private pkgdi::PrinterDcBackEnd {
 public:
  PrintSession(RunLog& log, JobPort* job);
  ~PrintSession() override;

  // Loads both libraries and creates the DC. On failure `error` says why.
  bool CreateDc(const PrinterSetup& setup, std::string* error);
  bool StartDoc(const std::u16string& name);
  bool StartPageCall();  // StartPage as the application calls it
  bool EndPageCall();
  // Ends the document; `abort` ends it with ED_ABORTDOC.
  bool EndDoc(bool abort);
  bool ResetDc(const std::vector<uint8_t>& devMode);
  void DeleteDc();
  // An escape straight to the driver.
  int Escape(int code, int cjIn, const void* in, int cjOut, void* out) override;

  // Drawing in device dots of the printable area, with the current state.
  DrawState& state() { return state_; }
  void FillRect(const RECTL& r);
  void FillPolygon(const std::vector<std::vector<POINTL>>& rings, ULONG fillMode);
  void FillShape(const std::vector<std::vector<POINTFIX>>& rings, ULONG fillMode);
  void StrokePolyline(const std::vector<Subpath>& path);
  void DrawEllipse(const RECTL& box);
  void DrawRectangle(const RECTL& box);
  void DrawPolygon(const std::vector<POINTL>& pts, ULONG fillMode);
  void DrawText(POINTL at, const std::u16string& text);
  void DrawImage(std::shared_ptr<const Bitmap> image, const RECTL& dest);

  const GDIINFO& gdiInfo() const { return gdi_; }
  SessionState sessionState() const { return status_; }
  bool inPage() const { return inPage_; }
  int pagesSent() const { return pagesSent_; }
  HDC hdc() const { return hdc_; }
  // Called after each page with its number and band count.
  void SetPageListener(std::function<void(int page, int bands)> f) { pageListener_ = std::move(f); }
  // Called with each finished page's journal before its bands are replayed.
  void SetJournalListener(std::function<void(int page, const Journal&)> f) { journalListener_ = std::move(f); }

 private:
  struct Pdev;
  bool EnablePdev(const std::vector<uint8_t>& devMode, std::unique_ptr<Pdev>& out, std::string* error);
  std::string HeldDeviceFonts(DHPDEV dhpdev) const;
  bool EnableSurface(Pdev& pdev);
  void DisablePdev(std::unique_ptr<Pdev>& pdev);
  int Event(int event, ULONG cjIn, PVOID in, ULONG cjOut, PVOID out);
  bool RunBands();
  void Abort(const std::string& why);
  void Add(JournalItem item);
  RECTFX ShapeWindow() const;

  // Printer DC back end (the interface library's drawing).
  int StartPage() override;
  int EndPage() override;
  bool TextOut(const pkgdi::DcState& dc, POINT at, const std::u16string& text) override;
  bool MeasureText(const pkgdi::DcState& dc, const std::u16string& text, SIZE* size) override;
  bool Polygon(const pkgdi::DcState& dc, const std::vector<POINT>& points) override;
  bool Ellipse(const pkgdi::DcState& dc, const RECT& box) override;
  bool Rectangle(const pkgdi::DcState& dc, const RECT& box) override;
  int DeviceCaps(int index) override;
  void ApplyDcState(const pkgdi::DcState& dc);
  template <typename F>
  bool WithDcState(const pkgdi::DcState& dc, F draw);

  RunLog& log_;
  JobPort* job_;
  PrinterSetup setup_;
  DriverTable driver_;
  HMODULE interface_ = nullptr;
  PFN_DrvDocumentEvent documentEvent_ = nullptr;
  HDC hdc_ = nullptr;
  std::unique_ptr<Pdev> pdev_;
  GDIINFO gdi_{};
  DrawState state_;
  SessionState status_ = SessionState::Idle;
  std::u16string docName_;
  DWORD jobId_ = 0;
  bool inPage_ = false;
  bool pageDrawing_ = false;  // from DrvStartPage to the page's bands
  int eventDepth_ = 0;
  int pageNumber_ = 0;
  int pagesSent_ = 0;
  Journal journal_;
  std::function<void(int, int)> pageListener_;
  std::function<void(int, const Journal&)> journalListener_;
};

}  // namespace pkhost
