// The device context of one printer: the order of driver calls and document
// events GDI follows, the page machine with its band loop, and drawing calls
// turned into journal items.
#include "host/print_session.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/text_utf.h"
#include "platform/win/win_error.h"

namespace pkhost {

struct PrintSession::Pdev {
  std::vector<uint8_t> devMode;
  std::u16string deviceName;
  HDEV hdev = nullptr;
  DHPDEV dhpdev = nullptr;
  HSURF hsurf = nullptr;
  SURFOBJ* pso = nullptr;
  FLONG hooks = 0;
  bool banded = false;
  GDIINFO gdi{};
  DEVINFO devInfo{};
  std::unique_ptr<PdevObjects> objects;
};

namespace {

constexpr size_t kMaxDevMode = 65536;
constexpr int kMaxEventDepth = 3;

const char* EventName(int event) {
  static const char* names[] = {"",         "CREATEDCPRE", "CREATEDCPOST", "RESETDCPRE", "RESETDCPOST",
                                "STARTDOC", "STARTPAGE",   "ENDPAGE",      "ENDDOC"};
  return event >= 1 && event <= 8 ? names[event] : "OTHER";
}

// The bytes of a DEVMODE handed back by the interface library: its public
// size plus its private part, within bounds.
bool CopyDevMode(const DEVMODEW* pdm, std::vector<uint8_t>* out) {
  if (!pdm) return false;
  size_t size = size_t(pdm->dmSize) + pdm->dmDriverExtra;
  if (pdm->dmSize < 64 || size > kMaxDevMode) return false;
  out->assign(reinterpret_cast<const uint8_t*>(pdm), reinterpret_cast<const uint8_t*>(pdm) + size);
  return true;
}

ULONG SwapRb(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

RECTL Normal(const RECTL& r) {
  return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
               std::max(r.top, r.bottom)};
}

// An ellipse inside the box as a ring in 28.4 fixed point.
std::vector<POINTFIX> EllipseRing(const RECTL& box) {
  std::vector<POINTFIX> ring;
  double cx = (box.left + box.right) * 8.0, cy = (box.top + box.bottom) * 8.0;
  double rx = (box.right - box.left) * 8.0, ry = (box.bottom - box.top) * 8.0;
  int steps = std::clamp(static_cast<int>((rx + ry) / 16), 16, 720);
  for (int i = 0; i < steps; ++i) {
    double t = 2 * M_PI * i / steps;
    ring.push_back(POINTFIX{static_cast<FIX>(std::lround(cx + rx * std::cos(t))),
                            static_cast<FIX>(std::lround(cy + ry * std::sin(t)))});
  }
  return ring;
}

// A ring cut to a rectangle (28.4), edge by edge: inside the rectangle the
// winding number of every dot is kept, so the shape's region there is the
// same, while the work of building it stays bounded by the page.
std::vector<POINTFIX> ClipRing(const std::vector<POINTFIX>& ring, const RECTFX& w) {
  std::vector<POINTFIX> in = ring, out;
  for (int side = 0; side < 4 && !in.empty(); ++side) {
    auto inside = [&](const POINTFIX& p) {
      switch (side) {
        case 0: return p.x >= w.xLeft;
        case 1: return p.x <= w.xRight;
        case 2: return p.y >= w.yTop;
        default: return p.y <= w.yBottom;
      }
    };
    auto cross = [&](const POINTFIX& a, const POINTFIX& b) {
      double t = 0;
      switch (side) {
        case 0: t = double(w.xLeft - a.x) / (b.x - a.x); break;
        case 1: t = double(w.xRight - a.x) / (b.x - a.x); break;
        case 2: t = double(w.yTop - a.y) / (b.y - a.y); break;
        default: t = double(w.yBottom - a.y) / (b.y - a.y); break;
      }
      POINTFIX p{static_cast<FIX>(std::lround(a.x + t * (b.x - a.x))),
                 static_cast<FIX>(std::lround(a.y + t * (b.y - a.y)))};
      if (side < 2) p.x = side == 0 ? w.xLeft : w.xRight;
      else p.y = side == 2 ? w.yTop : w.yBottom;
      return p;
    };
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
      const POINTFIX& a = in[i];
      const POINTFIX& b = in[(i + 1) % in.size()];
      bool ia = inside(a), ib = inside(b);
      if (ia) out.push_back(a);
      if (ia != ib) out.push_back(cross(a, b));
    }
    in.swap(out);
  }
  return in;
}

pkgdi::Region ShapeRegion(const std::vector<std::vector<POINTFIX>>& rings, ULONG fillMode, const RECTFX& window) {
  std::vector<std::vector<POINTFIX>> cut;
  for (const auto& ring : rings) {
    std::vector<POINTFIX> c = ClipRing(ring, window);
    if (c.size() >= 3) cut.push_back(std::move(c));
  }
  return pkgdi::Region::FromPolygonFix(cut, fillMode);
}

// A wide pen's outline as GDI widens geometric pens: each segment as a
// rectangle of the pen's width, with round joins and ends.
pkgdi::Region WidenPath(const std::vector<Subpath>& path, LONG width, const RECTFX& window) {
  pkgdi::Region out;
  double h = width * 8.0;  // half the width in 28.4
  auto disc = [&](POINTFIX c) {
    std::vector<POINTFIX> ring;
    int steps = std::clamp(static_cast<int>(h / 4), 12, 180);
    for (int i = 0; i < steps; ++i) {
      double t = 2 * M_PI * i / steps;
      ring.push_back(POINTFIX{static_cast<FIX>(std::lround(c.x + h * std::cos(t))),
                              static_cast<FIX>(std::lround(c.y + h * std::sin(t)))});
    }
    out = out.Union(ShapeRegion({ring}, FP_WINDINGMODE, window));
  };
  for (const Subpath& sp : path) {
    size_t n = sp.pts.size();
    size_t segs = sp.closed ? n : (n ? n - 1 : 0);
    for (size_t i = 0; i < segs; ++i) {
      POINTFIX p = sp.pts[i], q = sp.pts[(i + 1) % n];
      double dx = q.x - p.x, dy = q.y - p.y, len = std::hypot(dx, dy);
      if (len > 0) {
        double nx = -dy / len * h, ny = dx / len * h;
        auto pt = [](double x, double y) {
          return POINTFIX{static_cast<FIX>(std::lround(x)), static_cast<FIX>(std::lround(y))};
        };
        std::vector<POINTFIX> quad = {pt(p.x + nx, p.y + ny), pt(q.x + nx, q.y + ny), pt(q.x - nx, q.y - ny),
                                      pt(p.x - nx, p.y - ny)};
        out = out.Union(ShapeRegion({quad}, FP_WINDINGMODE, window));
      }
    }
    for (const POINTFIX& p : sp.pts) disc(p);
  }
  return out;
}

// The engine calls DrvRealizeBrush itself when the driver first asks for a
// brush's realisation; the device is bound to this stand-in so that the call
// shows in the trace like every other.
thread_local RunLog* t_realizeLog = nullptr;
thread_local PFN_DrvRealizeBrush t_realize = nullptr;

BOOL TracedRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                        ULONG iHatch) {
  if (t_realizeLog) t_realizeLog->Trace("DrvRealizeBrush");
  return t_realize ? t_realize(pbo, psoTarget, psoPattern, psoMask, pxlo, iHatch) : FALSE;
}

}  // namespace

PrintSession::PrintSession(RunLog& log, JobPort* job) : log_(log), job_(job) {}

PrintSession::~PrintSession() {
  if (status_ == SessionState::InDocument) EndDoc(true);
  DeleteDc();
  if (t_realizeLog == &log_) t_realizeLog = nullptr;
}

int PrintSession::Event(int event, ULONG cjIn, PVOID in, ULONG cjOut, PVOID out) {
  if (!documentEvent_) return DOCUMENTEVENT_SUCCESS;
  log_.Trace(std::string("DrvDocumentEvent ") + EventName(event));
  ++eventDepth_;
  int r =
      documentEvent_(setup_.hPrinter, event <= DOCUMENTEVENT_CREATEDCPRE ? nullptr : hdc_, event, cjIn, in, cjOut, out);
  --eventDepth_;
  // The library's failures are its own business (a page-start record it
  // cannot send, for one); they show in the trace and the document goes on.
  if (r < 0) log_.Trace(std::string("DrvDocumentEvent ") + EventName(event) + " failed");
  return r;
}

// The PDEV's own device fonts, " device fonts N "face" ...": GDI asks for
// as many as DEVINFO's cFonts says, which may be none, so the host asks on
// (faces 1, 2, ... until the driver answers none) for the trace alone.
std::string PrintSession::HeldDeviceFonts(DHPDEV dhpdev) const {
  auto query = driver_.get<PFN_DrvQueryFont>(INDEX_DrvQueryFont);
  if (!query) return std::string();
  constexpr ULONG kMostFaces = 1000;
  std::string faces;
  ULONG count = 0;
  for (; count < kMostFaces; ++count) {
    ULONG_PTR id = 0;
    const IFIMETRICS* ifi = query(dhpdev, 0, count + 1, &id);
    if (!ifi) break;
    std::u16string name;
    if (ifi->dpwszFaceName > 0 && ULONG(ifi->dpwszFaceName) < ifi->cjThis) {
      const auto* at = reinterpret_cast<const WCHAR*>(reinterpret_cast<const char*>(ifi) + ifi->dpwszFaceName);
      const size_t room = (ifi->cjThis - ULONG(ifi->dpwszFaceName)) / sizeof(WCHAR);
      name.assign(at, std::find(at, at + room, u'\0'));
    }
    faces += " \"" + Utf16ToUtf8(name) + "\"";
  }
  SetLastError(ERROR_SUCCESS);  // the answer past the last face sets an error GDI never saw
  return " device fonts " + std::to_string(count) + faces;
}

bool PrintSession::EnablePdev(const std::vector<uint8_t>& devMode, std::unique_ptr<Pdev>& out, std::string* error) {
  auto p = std::make_unique<Pdev>();
  p->devMode = devMode;
  // The driver reads as many bytes as the DEVMODE's two sizes say: never past
  // the buffer.
  if (p->devMode.size() >= sizeof(DEVMODEW)) {
    DEVMODEW dm;
    std::memcpy(&dm, p->devMode.data(), sizeof dm);
    size_t claimed = size_t(dm.dmSize) + dm.dmDriverExtra;
    if (claimed > p->devMode.size()) p->devMode.resize(claimed, 0);
  } else if (!p->devMode.empty()) {
    *error = "the DEVMODE is shorter than its public part";
    return false;
  }
  p->deviceName = setup_.printerName;
  std::vector<DRVFN> rows = driver_.rows();
  for (DRVFN& row : rows)
    if (row.iFunc == INDEX_DrvRealizeBrush && row.pfn) {
      t_realizeLog = &log_;
      t_realize = reinterpret_cast<PFN_DrvRealizeBrush>(row.pfn);
      row.pfn = reinterpret_cast<PFN>(&TracedRealizeBrush);
    }
  p->hdev = pkgdi::CreateDevice(rows.data(), static_cast<ULONG>(rows.size()), nullptr);
  if (!p->hdev) {
    *error = "cannot make the device";
    return false;
  }
  auto enable = driver_.get<PFN_DrvEnablePDEV>(INDEX_DrvEnablePDEV);
  p->dhpdev = enable(p->devMode.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(p->devMode.data()), nullptr, 0, nullptr,
                     sizeof(GDIINFO), reinterpret_cast<ULONG*>(&p->gdi), sizeof(DEVINFO), &p->devInfo, p->hdev,
                     p->deviceName.data(), setup_.hPrinter);
  // The trace file gets what the PDEV told GDI: the printable size, the
  // device fonts and the default font's face (a PDEV names one only when it
  // has device fonts of its own, also when it reports none to GDI); then the
  // device fonts the PDEV holds all the same.
  const LOGFONTW& lf = p->devInfo.lfDefaultFont;
  const std::u16string face(lf.lfFaceName, std::find(lf.lfFaceName, lf.lfFaceName + LF_FACESIZE, u'\0'));
  log_.Trace("DrvEnablePDEV", p->dhpdev ? " printable " + std::to_string(p->gdi.ulHorzRes) + "x" +
                                              std::to_string(p->gdi.ulVertRes) + " fonts " +
                                              std::to_string(p->devInfo.cFonts) + " default font \"" +
                                              Utf16ToUtf8(face) + "\"" + HeldDeviceFonts(p->dhpdev)
                                        : std::string());
  if (!p->dhpdev) {
    pkgdi::DeleteDevice(p->hdev);
    *error = "DrvEnablePDEV failed";
    return false;
  }
  pkgdi::SetDevicePdev(p->hdev, p->dhpdev);
  log_.Trace("DrvCompletePDEV");
  driver_.get<PFN_DrvCompletePDEV>(INDEX_DrvCompletePDEV)(p->dhpdev, p->hdev);
  out = std::move(p);
  return true;
}

bool PrintSession::EnableSurface(Pdev& p) {
  log_.Trace("DrvEnableSurface");
  HSURF hsurf = driver_.get<PFN_DrvEnableSurface>(INDEX_DrvEnableSurface)(p.dhpdev);
  SURFOBJ* pso = hsurf ? pkgdi::SurfaceObject(hsurf) : nullptr;
  if (!pso) return false;
  p.hsurf = hsurf;
  p.pso = pso;
  p.hooks = pkgdi::SurfaceHooks(hsurf);
  p.banded = pkgdi::SurfaceIsBanded(hsurf);
  p.objects = std::make_unique<PdevObjects>(pso);
  return true;
}

void PrintSession::DisablePdev(std::unique_ptr<Pdev>& p) {
  if (!p) return;
  p->objects.reset();
  if (p->hsurf) {
    log_.Trace("DrvDisableSurface");
    driver_.get<PFN_DrvDisableSurface>(INDEX_DrvDisableSurface)(p->dhpdev);
  }
  log_.Trace("DrvDisablePDEV");
  driver_.get<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)(p->dhpdev);
  pkgdi::DeleteDevice(p->hdev);
  p.reset();
}

bool PrintSession::CreateDc(const PrinterSetup& setup, std::string* error) {
  setup_ = setup;
  if (!driver_.Load(setup.driverPath, log_, error)) return false;
  if (!setup.interfacePath.empty()) {
    interface_ = LoadLibraryW(setup.interfacePath.c_str());
    if (!interface_) {
      *error = "cannot load the interface library " + Utf16ToUtf8(setup.interfacePath);
      return false;
    }
    documentEvent_ = reinterpret_cast<PFN_DrvDocumentEvent>(GetProcAddress(interface_, "DrvDocumentEvent"));
    if (!documentEvent_) {
      *error = Utf16ToUtf8(setup.interfacePath) + " lacks DrvDocumentEvent";
      return false;
    }
  }
  hdc_ = pkgdi::CreatePrinterDc(this);
  std::vector<uint8_t> devMode = setup.devMode;
  DEVMODEW* eventDevMode = nullptr;
  if (documentEvent_) {
    DOCEVENT_CREATEDCPRE pre{setup_.driverPath.data(), setup_.printerName.data(),
                             devMode.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(devMode.data()), FALSE};
    Event(DOCUMENTEVENT_CREATEDCPRE, sizeof(pre), &pre, sizeof(eventDevMode), &eventDevMode);
    // A DEVMODE the library hands back replaces the application's.
    if (eventDevMode && !CopyDevMode(eventDevMode, &devMode)) log_.Warning("the create-DC event gave a bad DEVMODE");
  }
  std::unique_ptr<Pdev> p;
  if (!EnablePdev(devMode, p, error)) return false;
  pdev_ = std::move(p);
  if (!EnableSurface(*pdev_)) {
    *error = "DrvEnableSurface failed";
    DisablePdev(pdev_);
    return false;
  }
  gdi_ = pdev_->gdi;
  if (documentEvent_) Event(DOCUMENTEVENT_CREATEDCPOST, sizeof(eventDevMode), &eventDevMode, 0, nullptr);
  status_ = SessionState::Ready;
  return true;
}

bool PrintSession::StartDoc(const std::u16string& name) {
  if (status_ != SessionState::Ready) return false;
  docName_ = name;
  Event(DOCUMENTEVENT_STARTDOC, 0, nullptr, 0, nullptr);
  jobId_ = job_ ? job_->StartDoc(name) : 1;
  if (jobId_ == 0) {
    log_.Failure("the spooler refused the job");
    status_ = SessionState::Failed;
    return false;
  }
  status_ = SessionState::InDocument;
  pageNumber_ = 0;
  pagesSent_ = 0;
  log_.Trace("DrvStartDoc");
  if (!driver_.get<PFN_DrvStartDoc>(INDEX_DrvStartDoc)(pdev_->pso, docName_.data(), jobId_)) {
    Abort("DrvStartDoc failed");
    return false;
  }
  return true;
}

void PrintSession::Abort(const std::string& why) {
  log_.Failure(why);
  if (status_ != SessionState::InDocument) return;
  inPage_ = false;
  pageDrawing_ = false;
  journal_.clear();
  log_.Trace("DrvEndDoc abort");
  driver_.get<PFN_DrvEndDoc>(INDEX_DrvEndDoc)(pdev_->pso, ED_ABORTDOC);
  if (job_) job_->AbortDoc();
  status_ = SessionState::Aborted;
}

int PrintSession::StartPage() {
  if (status_ != SessionState::InDocument || inPage_ || eventDepth_ >= kMaxEventDepth) return -1;
  inPage_ = true;  // refuses a nested StartPage from the event
  journal_.clear();
  ++pageNumber_;
  Event(DOCUMENTEVENT_STARTPAGE, 0, nullptr, 0, nullptr);
  if (status_ != SessionState::InDocument) return -1;
  log_.Trace("DrvStartPage");
  if (!driver_.get<PFN_DrvStartPage>(INDEX_DrvStartPage)(pdev_->pso)) {
    Abort("DrvStartPage failed on page " + std::to_string(pageNumber_));
    return -1;
  }
  pageDrawing_ = true;
  return 1;
}

int PrintSession::EndPage() {
  if (status_ != SessionState::InDocument || !inPage_ || eventDepth_ >= kMaxEventDepth) return -1;
  // The library's end-of-page drawing joins the page.
  Event(DOCUMENTEVENT_ENDPAGE, 0, nullptr, 0, nullptr);
  if (status_ != SessionState::InDocument) return -1;
  if (!RunBands()) return -1;
  log_.Trace("DrvSendPage");
  if (!driver_.get<PFN_DrvSendPage>(INDEX_DrvSendPage)(pdev_->pso)) {
    Abort("DrvSendPage failed on page " + std::to_string(pageNumber_));
    return -1;
  }
  inPage_ = false;
  journal_.clear();
  ++pagesSent_;
  return 1;
}

bool PrintSession::StartPageCall() { return StartPage() > 0; }
bool PrintSession::EndPageCall() { return EndPage() > 0; }

bool PrintSession::RunBands() {
  pageDrawing_ = false;
  if (journalListener_) journalListener_(pageNumber_, journal_);
  SURFOBJ* pso = pdev_->pso;
  BandTarget band{pso, pdev_->hooks, POINTL{0, 0}, pso->sizlBitmap};
  LONG rows = static_cast<LONG>(std::min<ULONG>(gdi_.ulVertRes, 1u << 20));
  std::vector<bool> covered(size_t(std::max<LONG>(rows, 0)), false);
  auto cover = [&](POINTL o) {
    for (LONG y = std::max<LONG>(o.y, 0); y < std::min<LONG>(o.y + band.size.cy, rows); ++y) covered[size_t(y)] = true;
  };
  std::map<int, bool> warned;
  int bands = 0;
  if (!pdev_->banded) {
    ReplayBand(journal_, band, driver_, *pdev_->objects, log_, warned);
    cover(band.origin);
    bands = 1;
  } else {
    auto start = driver_.get<PFN_DrvStartBanding>(INDEX_DrvStartBanding);
    auto next = driver_.get<PFN_DrvNextBand>(INDEX_DrvNextBand);
    if (!start || !next) {
      Abort("the surface is banded but the driver lacks DrvStartBanding or DrvNextBand");
      return false;
    }
    POINTL o{0, 0};
    log_.Trace("DrvStartBanding");
    if (!start(pso, &o)) {
      Abort("DrvStartBanding failed on page " + std::to_string(pageNumber_));
      return false;
    }
    for (;;) {
      // A driver whose bands never end is stopped after as many bands as the
      // page has rows.
      if (++bands > std::max<LONG>(rows, 1)) {
        Abort("the driver's bands do not end on page " + std::to_string(pageNumber_));
        return false;
      }
      band.origin = o;
      pkgdi::SetBandOrigin(pso, o);
      ReplayBand(journal_, band, driver_, *pdev_->objects, log_, warned);
      cover(o);
      log_.Trace("DrvNextBand");
      if (!next(pso, &o)) {
        Abort("DrvNextBand failed on page " + std::to_string(pageNumber_));
        return false;
      }
      if (o.x == -1) break;
    }
  }
  // Rows no band covered lost their drawing: say which. Rows nothing was
  // drawn on lost nothing.
  std::vector<bool> drawn(covered.size(), false);
  for (const JournalItem& item : journal_) {
    RECTL clip = item.clip.bounds();
    LONG top = std::max({item.bounds.top, clip.top, LONG(0)});
    LONG bottom = std::min({item.bounds.bottom, clip.bottom, rows});
    for (LONG y = top; y < bottom; ++y) drawn[size_t(y)] = true;
  }
  LONG first = -1, count = 0;
  for (LONG y = 0; y < rows; ++y)
    if (!covered[size_t(y)] && drawn[size_t(y)]) {
      if (first < 0) first = y;
      ++count;
    }
  if (count)
    log_.Warning("page " + std::to_string(pageNumber_) + ": " + std::to_string(count) +
                 " rows with drawing were in no band (first " + std::to_string(first) + ")");
  if (pageListener_) pageListener_(pageNumber_, bands);
  return true;
}

bool PrintSession::EndDoc(bool abort) {
  if (status_ != SessionState::InDocument) return false;
  if (abort) {
    Abort("the document was aborted");
    return true;
  }
  if (inPage_ && EndPage() < 0) return false;
  Event(DOCUMENTEVENT_ENDDOC, 0, nullptr, 0, nullptr);
  if (status_ != SessionState::InDocument) return false;
  // A page the library opened and left open is ended here.
  if (inPage_ && EndPage() < 0) return false;
  log_.Trace("DrvEndDoc");
  BOOL ok = driver_.get<PFN_DrvEndDoc>(INDEX_DrvEndDoc)(pdev_->pso, 0);
  status_ = SessionState::Ready;
  if (!ok) {
    log_.Failure("DrvEndDoc failed");
    if (job_) job_->AbortDoc();
    status_ = SessionState::Failed;
    return false;
  }
  if (job_ && !job_->EndDoc()) {
    log_.Failure("the spooler could not end the job");
    status_ = SessionState::Failed;
    return false;
  }
  return true;
}

bool PrintSession::ResetDc(const std::vector<uint8_t>& devModeIn) {
  if ((status_ != SessionState::Ready && status_ != SessionState::InDocument) || inPage_) return false;
  std::vector<uint8_t> devMode = devModeIn;
  DEVMODEW* pdmIn = devMode.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(devMode.data());
  DEVMODEW* eventDevMode = nullptr;
  if (documentEvent_) {
    Event(DOCUMENTEVENT_RESETDCPRE, sizeof(pdmIn), &pdmIn, sizeof(eventDevMode), &eventDevMode);
    if (eventDevMode && !CopyDevMode(eventDevMode, &devMode)) log_.Warning("the reset-DC event gave a bad DEVMODE");
  }
  std::unique_ptr<Pdev> fresh;
  std::string error;
  if (!EnablePdev(devMode, fresh, &error)) {
    log_.Failure("ResetDC: " + error);
    if (status_ == SessionState::InDocument) Abort("ResetDC failed");
    return false;
  }
  if (auto reset = driver_.get<PFN_DrvResetPDEV>(INDEX_DrvResetPDEV)) {
    log_.Trace("DrvResetPDEV");
    if (!reset(pdev_->dhpdev, fresh->dhpdev)) log_.Warning("DrvResetPDEV failed");
  }
  if (!EnableSurface(*fresh)) {
    DisablePdev(fresh);
    if (status_ == SessionState::InDocument) Abort("DrvEnableSurface failed at ResetDC");
    return false;
  }
  DisablePdev(pdev_);
  pdev_ = std::move(fresh);
  gdi_ = pdev_->gdi;
  if (documentEvent_) Event(DOCUMENTEVENT_RESETDCPOST, sizeof(eventDevMode), &eventDevMode, 0, nullptr);
  if (status_ == SessionState::InDocument) {
    log_.Trace("DrvStartDoc");
    if (!driver_.get<PFN_DrvStartDoc>(INDEX_DrvStartDoc)(pdev_->pso, docName_.data(), jobId_)) {
      Abort("DrvStartDoc failed after ResetDC");
      return false;
    }
  }
  return true;
}

void PrintSession::DeleteDc() {
  if (pdev_) DisablePdev(pdev_);
  if (hdc_) pkgdi::DeletePrinterDc(hdc_);
  hdc_ = nullptr;
  if (interface_) FreeLibrary(interface_);
  interface_ = nullptr;
  documentEvent_ = nullptr;
  driver_.Unload(log_);
  status_ = SessionState::Idle;
}

int PrintSession::Escape(int code, int cjIn, const void* in, int cjOut, void* out) {
  auto esc = driver_.get<PFN_DrvEscape>(INDEX_DrvEscape);
  if (!pdev_ || !esc || cjIn < 0 || cjOut < 0) return 0;
  const int answer = static_cast<int>(esc(pdev_->pso, static_cast<ULONG>(code), static_cast<ULONG>(cjIn),
                                          const_cast<void*>(in), static_cast<ULONG>(cjOut), out));
  log_.Trace("DrvEscape " + std::to_string(code), " answered " + std::to_string(answer));
  // An escape without output that the interface library sends between its
  // drawing calls of the page goes with them into the bands, in order: the
  // driver draws the bands later, from the journal.
  if (pageDrawing_ && eventDepth_ > 0 && (cjOut == 0 || !out)) {
    JournalItem item;
    item.kind = JournalItem::Escape;
    item.escapeCode = static_cast<ULONG>(code);
    if (cjIn > 0 && in) item.escapeIn.assign(static_cast<const uint8_t*>(in), static_cast<const uint8_t*>(in) + cjIn);
    journal_.push_back(std::move(item));
  }
  return answer;
}

// ---- Drawing -------------------------------------------------------------------

void PrintSession::Add(JournalItem item) {
  RECTL page{0, 0, static_cast<LONG>(gdi_.ulHorzRes), static_cast<LONG>(gdi_.ulVertRes)};
  pkgdi::Region area = pkgdi::Region::FromRect(page);
  if (state_.clipped) area = area.Intersect(pkgdi::Region::FromRect(state_.clip));
  item.clip = item.kind == JournalItem::FillRegion ? item.clip.Intersect(area) : area;
  if (item.clip.empty() || item.bounds.left >= item.bounds.right || item.bounds.top >= item.bounds.bottom) return;
  journal_.push_back(std::move(item));
}

void PrintSession::FillRect(const RECTL& r) {
  if (state_.brush.kind == BrushDesc::Null && state_.rop4 == 0xF0F0) return;
  JournalItem item;
  item.kind = JournalItem::FillRect;
  item.bounds = Normal(r);
  item.brush = state_.brush;
  item.rop4 = state_.rop4;
  Add(std::move(item));
}

// Shapes are built within the page and a dot around it.
RECTFX PrintSession::ShapeWindow() const {
  return RECTFX{-16, -16, static_cast<FIX>(std::min<ULONG>(gdi_.ulHorzRes, 1u << 22) + 1) * 16,
                static_cast<FIX>(std::min<ULONG>(gdi_.ulVertRes, 1u << 22) + 1) * 16};
}

void PrintSession::FillShape(const std::vector<std::vector<POINTFIX>>& rings, ULONG fillMode) {
  if (state_.brush.kind == BrushDesc::Null) return;
  JournalItem item;
  item.kind = JournalItem::FillRegion;
  item.clip = ShapeRegion(rings, fillMode, ShapeWindow());
  if (item.clip.empty()) return;
  item.bounds = item.clip.bounds();
  item.brush = state_.brush;
  item.rop4 = state_.rop4;
  Add(std::move(item));
}

void PrintSession::FillPolygon(const std::vector<std::vector<POINTL>>& rings, ULONG fillMode) {
  std::vector<std::vector<POINTFIX>> fx;
  for (const auto& ring : rings) {
    std::vector<POINTFIX> r;
    for (const POINTL& p : ring) r.push_back(POINTFIX{p.x * 16, p.y * 16});
    fx.push_back(std::move(r));
  }
  FillShape(fx, fillMode);
}

void PrintSession::StrokePolyline(const std::vector<Subpath>& path) {
  if (state_.pen.style == PenDesc::Null || path.empty()) return;
  if (state_.pen.width > 1) {
    // A wide pen fills its widened outline with the pen's colour.
    JournalItem item;
    item.kind = JournalItem::FillRegion;
    item.clip = WidenPath(path, state_.pen.width, ShapeWindow());
    if (item.clip.empty()) return;
    item.bounds = item.clip.bounds();
    item.brush.kind = BrushDesc::Solid;
    item.brush.color = state_.pen.color;
    Add(std::move(item));
    return;
  }
  JournalItem item;
  item.kind = JournalItem::Stroke;
  item.pen = state_.pen;
  item.path = path;
  FIX x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
  for (const Subpath& sp : path)
    for (const POINTFIX& p : sp.pts) {
      x0 = std::min(x0, p.x);
      y0 = std::min(y0, p.y);
      x1 = std::max(x1, p.x);
      y1 = std::max(y1, p.y);
    }
  if (x0 > x1) return;
  // The dots a one-dot line may touch.
  item.bounds = RECTL{x0 >> 4, y0 >> 4, (x1 >> 4) + 1, (y1 >> 4) + 1};
  Add(std::move(item));
}

void PrintSession::DrawPolygon(const std::vector<POINTL>& pts, ULONG fillMode) {
  FillPolygon({pts}, fillMode);
  Subpath sp;
  for (const POINTL& p : pts) sp.pts.push_back(POINTFIX{p.x * 16, p.y * 16});
  sp.closed = true;
  StrokePolyline({sp});
}

void PrintSession::DrawEllipse(const RECTL& box) {
  RECTL b = Normal(box);
  std::vector<POINTFIX> ring = EllipseRing(b);
  FillShape({ring}, FP_ALTERNATEMODE);
  StrokePolyline({Subpath{ring, true}});
}

void PrintSession::DrawRectangle(const RECTL& box) {
  RECTL b = Normal(box);
  FillRect(b);
  std::vector<POINTL> pts = {
      {b.left, b.top}, {b.right - 1, b.top}, {b.right - 1, b.bottom - 1}, {b.left, b.bottom - 1}};
  Subpath sp;
  for (const POINTL& p : pts) sp.pts.push_back(POINTFIX{p.x * 16, p.y * 16});
  sp.closed = true;
  StrokePolyline({sp});
}

void PrintSession::DrawText(POINTL at, const std::u16string& text) {
  if (text.empty() || !pdev_) return;
  JournalItem item;
  item.kind = JournalItem::Text;
  item.font = state_.font;
  item.text = text;
  item.textColor = state_.textColor;
  item.backColor = state_.backColor;
  item.opaque = state_.opaqueText;
  if (!LayoutText(item, at, pdev_->objects->Font(item.font))) {
    log_.Failure("no font for the text at (" + std::to_string(at.x) + ", " + std::to_string(at.y) + ")");
    return;
  }
  Add(std::move(item));
}

void PrintSession::DrawImage(std::shared_ptr<const Bitmap> image, const RECTL& dest) {
  if (!image || image->width <= 0 || image->height <= 0) return;
  JournalItem item;
  item.kind = JournalItem::Image;
  item.image = std::move(image);
  item.dest = Normal(dest);
  item.bounds = item.dest;
  item.rop4 = state_.rop4 == 0xF0F0 ? 0xCCCC : state_.rop4;
  Add(std::move(item));
}

// ---- The interface library's DC --------------------------------------------------

void PrintSession::ApplyDcState(const pkgdi::DcState& dc) {
  const LOGPEN& lp = dc.pen;
  state_.pen.style = lp.lopnStyle == PS_NULL      ? PenDesc::Null
                     : lp.lopnStyle == PS_DASH    ? PenDesc::Dash
                     : lp.lopnStyle == PS_DOT     ? PenDesc::Dot
                     : lp.lopnStyle == PS_DASHDOT ? PenDesc::DashDot
                                                  : PenDesc::Solid;
  state_.pen.width = std::clamp<LONG>(lp.lopnWidth.x, 1, 10000);
  state_.pen.color = SwapRb(lp.lopnColor);
  const LOGBRUSH& lb = dc.brush;
  state_.brush = BrushDesc{};
  state_.brush.kind = lb.lbStyle == BS_NULL      ? BrushDesc::Null
                      : lb.lbStyle == BS_HATCHED ? BrushDesc::Hatch
                                                 : BrushDesc::Solid;
  state_.brush.color = SwapRb(lb.lbColor);
  state_.brush.hatch = static_cast<ULONG>(std::min<ULONG_PTR>(lb.lbHatch, 5));
  state_.brush.background = SwapRb(dc.bkColor);
  const LOGFONTW& lf = dc.font;
  std::u16string face(lf.lfFaceName, std::find(lf.lfFaceName, lf.lfFaceName + LF_FACESIZE, u'\0'));
  std::string f = Utf16ToUtf8(face);
  state_.font = FontDesc{};
  state_.font.family = (f.find("Mono") != std::string::npos || f.find("Courier") != std::string::npos)
                           ? pkgdi::FontFamily::SansMono
                       : (f.find("Serif") != std::string::npos && f.find("Sans") == std::string::npos) ||
                               f.find("Times") != std::string::npos
                           ? pkgdi::FontFamily::Serif
                           : pkgdi::FontFamily::Sans;
  LONG h = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
  state_.font.emDots = std::clamp<LONG>(h ? h : 40, 1, 32767);
  state_.font.bold = lf.lfWeight >= FW_SEMIBOLD;
  state_.font.italic = lf.lfItalic != 0;
  state_.font.underline = lf.lfUnderline != 0;
  state_.font.strikeout = lf.lfStrikeOut != 0;
  state_.font.angle = lf.lfEscapement / 10.0;
  state_.textColor = SwapRb(dc.textColor);
  state_.backColor = SwapRb(dc.bkColor);
  state_.opaqueText = dc.bkMode == OPAQUE;
  state_.rop4 = 0xF0F0;
  state_.clipped = false;
}

// The library draws with its own DC state; the document's stays as it was.
template <typename F>
bool PrintSession::WithDcState(const pkgdi::DcState& dc, F draw) {
  if (!inPage_) return false;
  DrawState saved = state_;
  ApplyDcState(dc);
  draw();
  state_ = saved;
  return true;
}

bool PrintSession::TextOut(const pkgdi::DcState& dc, POINT at, const std::u16string& text) {
  return WithDcState(dc, [&] { DrawText(POINTL{at.x, at.y}, text); });
}

bool PrintSession::Polygon(const pkgdi::DcState& dc, const std::vector<POINT>& points) {
  std::vector<POINTL> pts;
  for (const POINT& p : points) pts.push_back(POINTL{p.x, p.y});
  return WithDcState(dc, [&] { DrawPolygon(pts, FP_ALTERNATEMODE); });
}

bool PrintSession::Ellipse(const pkgdi::DcState& dc, const RECT& box) {
  return WithDcState(dc, [&] { DrawEllipse(RECTL{box.left, box.top, box.right, box.bottom}); });
}

bool PrintSession::Rectangle(const pkgdi::DcState& dc, const RECT& box) {
  return WithDcState(dc, [&] { DrawRectangle(RECTL{box.left, box.top, box.right, box.bottom}); });
}

bool PrintSession::MeasureText(const pkgdi::DcState& dc, const std::u16string& text, SIZE* size) {
  if (!pdev_) return false;
  DrawState saved = state_;
  ApplyDcState(dc);
  JournalItem item;
  item.font = state_.font;
  item.text = text;
  bool ok = LayoutText(item, POINTL{0, 0}, pdev_->objects->Font(item.font));
  state_ = saved;
  if (!ok) return false;
  size->cx = item.opaqueRect.right - item.opaqueRect.left;
  size->cy = item.opaqueRect.bottom - item.opaqueRect.top;
  return true;
}

int PrintSession::DeviceCaps(int index) {
  switch (index) {
    case HORZRES: return static_cast<int>(gdi_.ulHorzRes);
    case VERTRES: return static_cast<int>(gdi_.ulVertRes);
    case LOGPIXELSX: return static_cast<int>(gdi_.ulLogPixelsX);
    case LOGPIXELSY: return static_cast<int>(gdi_.ulLogPixelsY);
    case PHYSICALWIDTH: return static_cast<int>(gdi_.szlPhysSize.cx);
    case PHYSICALHEIGHT: return static_cast<int>(gdi_.szlPhysSize.cy);
    case PHYSICALOFFSETX: return static_cast<int>(gdi_.ptlPhysOffset.x);
    case PHYSICALOFFSETY: return static_cast<int>(gdi_.ptlPhysOffset.y);
    default: return 0;
  }
}

}  // namespace pkhost
