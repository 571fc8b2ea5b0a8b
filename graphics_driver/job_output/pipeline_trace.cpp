// The page pipeline's trace log (see pipeline_trace.h).
#include "graphics_driver/job_output/pipeline_trace.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/spooler/winspool.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_time.h"

namespace {

TracePieceCapture g_capture = nullptr;

int TraceSink(const char* piece, size_t length) {
  if (g_capture) g_capture(piece, length);
  return 0;
}

std::string Ansi(const WCHAR* text, int maxBytes) {
  if (!text || !text[0]) return {};
  const int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 1) return {};
  std::string out(size_t(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), needed, nullptr, nullptr);
  out.resize(std::min(std::char_traits<char>::length(out.c_str()), size_t(maxBytes)));
  return out;
}

std::string PrinterName(const PdevState* pdev) {
  DWORD needed = 0;
  GetPrinterW(pdev->printer, 5, nullptr, 0, &needed);
  if (needed < sizeof(PRINTER_INFO_5W)) return {};
  std::string name;
  if (auto* info = static_cast<PRINTER_INFO_5W*>(GlobalAlloc(GPTR, needed))) {
    if (GetPrinterW(pdev->printer, 5, reinterpret_cast<LPBYTE>(info), needed, &needed))
      name = Ansi(info->pPrinterName, 260);
    GlobalFree(info);
  }
  return name;
}

}  // namespace

void SetTracePieceCapture(TracePieceCapture capture) { g_capture = capture; }

int LogPipelineEvent(PdevState* pdev, const WCHAR* text, int flags) {
  if (!pdev) return 0;
  if (flags & kTraceStart) pdev->pipeline.traceStart = GetTickCount();
  if (!text) return 0;
  std::string when, names, elapsed;
  if (flags & kTraceTimeAndNames) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "[%04d,%02d/%02d,%02d:%02d:%02d]", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    when = stamp;
    names = "[" + Ansi(pdev->jobArea.documentName, 260) + "][" + PrinterName(pdev) + "]";
  }
  if (flags & kTraceElapsed) {
    char ms[32];
    std::snprintf(ms, sizeof ms, "[%ldms]", long(GetTickCount() - pdev->pipeline.traceStart));
    elapsed = ms;
  }
  const std::string line = "\"" + when + names + elapsed + Ansi(text, 261) + "\"";
  for (size_t at = 0; at < line.size(); at += kTracePieceBytes)
    TraceSink(line.data() + at, std::min(kTracePieceBytes, line.size() - at));
  return 0;
}
