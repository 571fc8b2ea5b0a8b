// A recording printer interface library for the host's tests: its
// DrvDocumentEvent keeps every event, sends an escape at each page start and
// at the end of the document draws a text on a page of its own. With
// "margins" configured its create-DC event hands back a DEVMODE with a paper
// margin record appended, as the real library does. With "marks" on, each
// page end sends an escape without output (as the mark offset is) and one
// with, then draws a text. With marks 2 it draws a label as the real library
// does: the label bracket opened, the mark offset (0, 300), "mark" at
// (20, 40), the bracket closed (no output), then "after" at (20, 40).
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/printer_dc.h"

namespace {

std::string g_events;
bool g_appendMargins = false;
int g_marks = 0;
std::vector<uint8_t> g_devMode;

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int DrvDocumentEvent(HANDLE, HDC hdc, int iEsc, ULONG cjIn, PVOID pvIn,
                                                            ULONG cjOut, PVOID pvOut) {
  g_events += std::to_string(iEsc) + " ";
  switch (iEsc) {
    case DOCUMENTEVENT_CREATEDCPRE: {
      if (!g_appendMargins || cjIn < sizeof(DOCEVENT_CREATEDCPRE) || cjOut < sizeof(DEVMODEW*)) break;
      auto* pre = static_cast<DOCEVENT_CREATEDCPRE*>(pvIn);
      if (!pre->pdm) break;
      size_t size = pre->pdm->dmSize + pre->pdm->dmDriverExtra;
      g_devMode.assign(reinterpret_cast<uint8_t*>(pre->pdm), reinterpret_cast<uint8_t*>(pre->pdm) + size);
      const uint8_t tail[10] = {9, 0, 1, 0, 2, 0, 3, 0, 4, 0};
      g_devMode.insert(g_devMode.end(), tail, tail + 10);
      auto* dm = reinterpret_cast<DEVMODEW*>(g_devMode.data());
      dm->dmDriverExtra = static_cast<WORD>(dm->dmDriverExtra + 10);
      *static_cast<DEVMODEW**>(pvOut) = dm;
      break;
    }
    case DOCUMENTEVENT_STARTPAGE: {
      const char ping[4] = {'p', 'i', 'n', 'g'};
      ExtEscape(hdc, 0x7001, 4, ping, 0, nullptr);
      break;
    }
    case DOCUMENTEVENT_ENDPAGE:
      if (g_marks == 2) {
        const uint32_t on = 1, off = 0;
        uint32_t state = 0;
        const int32_t offset[2] = {0, 300};
        ExtEscape(hdc, 0x5008, sizeof on, reinterpret_cast<LPCSTR>(&on), sizeof state, reinterpret_cast<LPSTR>(&state));
        ExtEscape(hdc, 0x5004, sizeof offset, reinterpret_cast<LPCSTR>(offset), 0, nullptr);
        TextOutW(hdc, 20, 40, u"mark", 4);
        ExtEscape(hdc, 0x5008, sizeof off, reinterpret_cast<LPCSTR>(&off), 0, nullptr);
        TextOutW(hdc, 20, 40, u"after", 5);
      } else if (g_marks) {
        const int offset[2] = {0, 300};
        char state[4] = {};
        ExtEscape(hdc, 0x7002, sizeof offset, reinterpret_cast<LPCSTR>(offset), 0, nullptr);
        ExtEscape(hdc, 0x7003, sizeof state, state, sizeof state, state);
        TextOutW(hdc, 20, 40, u"mark", 4);
      }
      break;
    case DOCUMENTEVENT_ENDDOC:
      if (StartPage(hdc) > 0) {
        TextOutW(hdc, 20, 40, u"end", 3);
        EndPage(hdc);
      }
      break;
    default: break;
  }
  return DOCUMENTEVENT_SUCCESS;
}

__attribute__((visibility("default"))) const char* FakeInterfaceEvents() { return g_events.c_str(); }

__attribute__((visibility("default"))) void FakeInterfaceReset(int appendMargins) {
  g_events.clear();
  g_appendMargins = appendMargins != 0;
  g_marks = 0;
}

__attribute__((visibility("default"))) void FakeInterfaceMarks(int kind) { g_marks = kind; }

}  // extern "C"
