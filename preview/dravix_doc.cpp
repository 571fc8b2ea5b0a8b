// The preview document (see dravix_doc.h).
#include "preview/dravix_doc.h"

#include <cstdio>
#include <string>

#include "platform/win/win_codepage.h"
#include "platform/win/win_msgbox.h"
#include "preview/dravix_app.h"
#include "preview/dravix_settings.h"

namespace {

std::u16string Wide(const std::string& text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (n <= 1) return std::u16string();
  std::u16string out(size_t(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), n);
  out.resize(size_t(n - 1));
  return out;
}

bool TooLarge(const CRstInterface& page) {
  return CDravixDoc::PixelsToMillimetres(int(page.GetWidth()), int(page.GetXResolution())) >
             CDravixDoc::kDisplayLimitMm ||
         CDravixDoc::PixelsToMillimetres(int(page.GetHeight()), int(page.GetYResolution())) >
             CDravixDoc::kDisplayLimitMm;
}

}  // namespace

int DravixFitPercent(const CRstInterface& page, int boxWidth, int boxHeight) {
  uint64_t w = page.GetWidth(), h = page.GetHeight();
  const uint64_t xr = page.GetXResolution(), yr = page.GetYResolution();
  if (w == 0 || h == 0) return 1;
  // The axis of lower resolution is stretched, as the fit render does.
  if (xr > yr) h = (h * xr + yr / 2) / yr;
  else if (xr < yr) w = (w * yr + xr / 2) / xr;
  const uint64_t bw = boxWidth > 0 ? uint64_t(boxWidth) : 1, bh = boxHeight > 0 ? uint64_t(boxHeight) : 1;
  uint64_t px = (w / 2 + bw * 100) / w, py = (h / 2 + bh * 100) / h;
  uint64_t p = px < py ? px : py;
  if (p < 1) p = 1;
  return p > 0x7FFFFFFF ? 0x7FFFFFFF : int(p);
}

CDravixDoc::CDravixDoc() : m_strIniPath(theApp.GetIniPath()) {
  int width = 0, height = 0;
  dravix_settings::ReadFitBox(m_strIniPath, &width, &height);
  // A small stored window must not give an empty or negative box.
  SetFitWidth(width);
  SetFitHeight(height);
}

CDravixDoc::~CDravixDoc() = default;

BOOL CDravixDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return FALSE;
  CRstInterface empty;
  m_interface.Swap(empty);
  m_nDisplayState = kNothingShown;
  m_nCurrentPage = 0;
  return TRUE;
}

void CDravixDoc::report_failure(const char* path, uint32_t page, const CRstInterface::Failure& failure) {
  try {
    std::u16string text = u"Não foi possível exibir a página " + Wide(std::to_string(page)) + u" do arquivo\n" +
                          Wide(path ? path : "") + u".";
    if (failure.reported) {
      text += u"\nErro " + Wide(std::to_string(failure.code));
      if (!failure.where.empty()) text += u": " + Wide(failure.where);
    }
    MessageBoxW(nullptr, text.c_str(), u"Visualização da saída", MB_OK | MB_ICONEXCLAMATION);
  } catch (...) {
    // Not even the text could be made: the false result still tells.
  }
}

void CDravixDoc::report_export_failure(const char* output, int page, bool hitInput,
                                       const CRstInterface::Failure& failure) {
  try {
    std::u16string text;
    if (hitInput) text = u"O arquivo de saída é o próprio arquivo mostrado:\n" + Wide(output ? output : "") + u".";
    else if (page > 0)
      text = u"Não foi possível exportar a página " + Wide(std::to_string(page)) + u" para o arquivo\n" +
             Wide(output ? output : "") + u".";
    else text = u"Não foi possível exportar para o arquivo\n" + Wide(output ? output : "") + u".";
    if (failure.reported) {
      text += u"\nErro " + Wide(std::to_string(failure.code));
      if (!failure.where.empty()) text += u": " + Wide(failure.where);
    }
    MessageBoxW(nullptr, text.c_str(), u"Visualização da saída", MB_OK | MB_ICONEXCLAMATION);
  } catch (...) {
  }
}

bool CDravixDoc::ExportMrc(const char* outputPath, int documentType, int maskCompression, int fgCompression,
                           int bgCompression, int fgReduction, int bgReduction, int fgSubsampling, int bgSubsampling,
                           int fgQuality, int bgQuality) {
  try {
    if (m_strPathName.empty()) return true;
    if (!outputPath || !*outputPath) return false;
    m_nExportPageCount = m_interface.GetPageCount();
    if (m_interface.ExportMrc(m_strPathName.c_str(), outputPath, documentType, maskCompression, fgCompression,
                              bgCompression, fgReduction, bgReduction, fgSubsampling, bgSubsampling, fgQuality,
                              bgQuality, m_nExportPageCount))
      return true;
    report_export_failure(outputPath, m_interface.GetExportFailedPage(), m_interface.ExportHitInput(),
                          m_interface.GetLastFailure());
    return false;
  } catch (...) {
    report_export_failure(outputPath, 0, false, CRstInterface::Failure());
    return false;
  }
}

BOOL CDravixDoc::OnOpenDocument(LPCSTR lpszPathName) {
  try {
    if (!CDocument::OnOpenDocument(lpszPathName)) return FALSE;  // the framework has told
    // The file is tried on a fresh bridge: the page shown so far stays until
    // the new one is ready.
    CRstInterface fresh;
    if (!fresh.OpenPage(lpszPathName, 1)) {
      report_failure(lpszPathName, 1, fresh.GetLastFailure());
      return FALSE;
    }
    int fit = DravixFitPercent(fresh, m_nFitWidth, m_nFitHeight);
    if (TooLarge(fresh)) {
      m_interface.Swap(fresh);
      m_nDisplayState = kNothingShown;
      m_nCurrentPage = 1;
      return TRUE;
    }
    if (!fresh.RenderPage(lpszPathName, fit, 2, 0, 1)) {
      report_failure(lpszPathName, 1, fresh.GetLastFailure());
      return FALSE;
    }
    m_interface.Swap(fresh);
    m_nDisplayState = kPageOpened;
    m_nCurrentPage = 1;
    m_nZoomPercent = fit;
    m_nZoomMode = 2;
    m_nRotation = 0;
    UpdateAllViews(nullptr);
    return TRUE;
  } catch (...) {
    report_failure(lpszPathName, 1, CRstInterface::Failure());
    return FALSE;
  }
}

bool CDravixDoc::render(int percent, int mode, int rotation) {
  if (m_interface.RenderPage(m_strPathName.c_str(), percent, mode, rotation, m_nCurrentPage)) return true;
  report_failure(m_strPathName.c_str(), m_nCurrentPage, m_interface.GetLastFailure());
  return false;
}

bool CDravixDoc::SetZoom(int percent, int mode) {
  try {
    return set_zoom(percent, mode);
  } catch (...) {
    report_failure(m_strPathName.c_str(), m_nCurrentPage, CRstInterface::Failure());
    return false;
  }
}

bool CDravixDoc::set_zoom(int percent, int mode) {
  if (m_strPathName.empty()) return true;
  // At 72 dots per inch modes 0 and 1 give the same bitmap.
  if (m_interface.GetXResolution() == 72 && m_interface.GetYResolution() == 72 && percent == m_nZoomPercent) {
    m_nDisplayState = kPageRedrawn;
    return true;
  }
  if (percent == m_nZoomPercent && mode == m_nZoomMode) {
    UpdateAllViews(nullptr);
    m_nDisplayState = kPageRedrawn;
    return true;
  }
  if (!render(percent, mode, m_nRotation)) return false;
  m_nDisplayState = kPageRedrawn;
  m_nZoomPercent = percent;
  m_nZoomMode = mode;
  UpdateAllViews(nullptr);
  return true;
}

void CDravixDoc::FitToWindow(const RECT& rect) {
  try {
    SetFitWidth(rect.right - rect.left);
    SetFitHeight(rect.bottom - rect.top);
    SetZoom(FitPercent(m_nFitWidth, m_nFitHeight), 2);
  } catch (...) {
  }
}

bool CDravixDoc::StepZoom(int step, const RECT& rect) {
  if (m_strPathName.empty()) return true;
  if (step == 0) {
    try {
      SetFitWidth(rect.right - rect.left);
      SetFitHeight(rect.bottom - rect.top);
      return SetZoom(FitPercent(m_nFitWidth, m_nFitHeight), 2);
    } catch (...) {
      return false;
    }
  }
  const int shown = ShownZoomPercent();
  int next = 0;
  if (step == -1) {
    if (shown <= 25 || shown > 200) return true;
    static const int kOut[] = {50, 75, 100, 125, 150, 175, 200};
    next = 25;
    for (int limit : kOut) {
      if (shown <= limit) break;
      next = limit;
    }
  } else if (step == 1) {
    if (shown >= 200) return true;
    static const int kIn[] = {25, 50, 75, 100, 125, 150, 175, 200};
    for (int limit : kIn)
      if (shown < limit) {
        next = limit;
        break;
      }
  } else {
    return true;
  }
  // The step starts from the percent shown; a failed render keeps the old one.
  const int before = m_nZoomPercent;
  m_nZoomPercent = shown;
  if (!SetZoom(next, 1)) {
    m_nZoomPercent = before;
    return false;
  }
  m_nZoomPercent = next;
  return true;
}

bool CDravixDoc::MovePage(int move, uint32_t number) {
  try {
    const uint32_t count = uint32_t(m_interface.GetPageCount());
    if (m_strPathName.empty() || count == 1) return true;
    uint32_t page = m_nCurrentPage;
    switch (move) {
      case 1:
        if (m_nCurrentPage >= count) return true;
        page = m_nCurrentPage + 1;
        break;
      case -1:
        if (m_nCurrentPage <= 1) return true;
        page = m_nCurrentPage - 1;
        break;
      case 2:
        if (m_nCurrentPage == count) return true;
        page = count;
        break;
      case -2:
        if (m_nCurrentPage == 1) return true;
        page = 1;
        break;
      case 0: page = number; break;
      default: return true;
    }
    // The page is tried on a fresh bridge: a failure leaves the page shown.
    CRstInterface fresh;
    if (!fresh.OpenPage(m_strPathName.c_str(), page)) {
      report_failure(m_strPathName.c_str(), page, fresh.GetLastFailure());
      return false;
    }
    const int percent = m_nZoomMode == 2 ? DravixFitPercent(fresh, m_nFitWidth, m_nFitHeight) : m_nZoomPercent;
    const int rotation = m_bKeepRotation ? m_nRotation : 0;
    if (!fresh.RenderPage(m_strPathName.c_str(), percent, m_nZoomMode, rotation, page)) {
      report_failure(m_strPathName.c_str(), page, fresh.GetLastFailure());
      return false;
    }
    m_interface.Swap(fresh);
    m_nCurrentPage = page;
    m_nZoomPercent = percent;
    m_nRotation = rotation;
    m_nDisplayState = kPageOpened;
    UpdateAllViews(nullptr);
    return true;
  } catch (...) {
    report_failure(m_strPathName.c_str(), m_nCurrentPage, CRstInterface::Failure());
    return false;
  }
}

bool CDravixDoc::Rotate(int angle, bool keep) {
  try {
    if (m_strPathName.empty()) return true;
    m_bKeepRotation = keep;
    const int rotation = angle == 1 ? 0 : m_nRotation + angle;
    if (rotation == m_nRotation) {
      m_nDisplayState = kPageRedrawn;
      return true;
    }
    if (!render(m_nZoomPercent, m_nZoomMode, rotation)) return false;
    m_nDisplayState = kPageRedrawn;
    m_nRotation = rotation;
    UpdateAllViews(nullptr);
    return true;
  } catch (...) {
    report_failure(m_strPathName.c_str(), m_nCurrentPage, CRstInterface::Failure());
    return false;
  }
}

int CDravixDoc::FitPercent(int boxWidth, int boxHeight) const {
  return DravixFitPercent(m_interface, boxWidth, boxHeight);
}

int CDravixDoc::PixelsToMillimetres(int pixels, int dpi) {
  if (dpi <= 0) return 0;
  return int((int64_t(pixels) * 254 / dpi + 5) / 10);
}

int CDravixDoc::ShownZoomPercent() const {
  const uint64_t w = m_interface.GetWidth();
  // After a net quarter turn the bitmap's height is the page's width.
  int turn = (m_nRotation % 360 + 360) % 360;
  switch (m_interface.GetOrientation()) {
    case 5:
    case 8:
    case 6:
    case 7: turn += 90; break;
    default: break;
  }
  const bool quarter = turn % 180 == 90;
  const uint64_t b = uint64_t(quarter ? m_interface.GetDisplayHeight() : m_interface.GetDisplayWidth());
  if (w == 0 || b == 0) return 0;
  const uint64_t q = (uint64_t(m_interface.GetXResolution()) * (2 * b - 1) * 250) / (36 * w);
  return int((q + 5) / 10);
}
