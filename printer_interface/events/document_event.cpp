// DrvDocumentEvent: GDI's call around every step of a print job in the
// application's process. Input and output are used only when the sizes given
// hold them; otherwise the event runs as without a DEVMODE.
#include "platform/gdi/printer_dc.h"
#include "printer_interface/entry/interface_exports.h"
#include "printer_interface/events/document_events.h"

namespace {

// The DEVMODE pointer an event's input points to, or null.
DEVMODEW* PointedDevMode(ULONG cjIn, PVOID pvIn) {
  return pvIn != nullptr && cjIn >= sizeof(DEVMODEW*) ? *static_cast<DEVMODEW**>(pvIn) : nullptr;
}

DEVMODEW** OutputSlot(ULONG cjOut, PVOID pvOut) {
  return pvOut != nullptr && cjOut >= sizeof(DEVMODEW*) ? static_cast<DEVMODEW**>(pvOut) : nullptr;
}

int Dispatch(HANDLE printer, HDC hdc, int event, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
  switch (event) {
    case DOCUMENTEVENT_CREATEDCPRE: {
      const DEVMODEW* devMode = nullptr;
      if (pvIn != nullptr && cjIn >= sizeof(DOCEVENT_CREATEDCPRE))
        devMode = static_cast<const DOCEVENT_CREATEDCPRE*>(pvIn)->pdm;
      DEVMODEW** output = OutputSlot(cjOut, pvOut);
      if (devMode != nullptr && output != nullptr) AttachPaperMarginsToDevMode(printer, devMode, output);
      return DOCUMENTEVENT_SUCCESS;
    }
    case DOCUMENTEVENT_RESETDCPRE: {
      const DEVMODEW* devMode = PointedDevMode(cjIn, pvIn);
      DEVMODEW** output = OutputSlot(cjOut, pvOut);
      if (devMode != nullptr && output != nullptr) AttachPaperMarginsToDevMode(printer, devMode, output);
      return DOCUMENTEVENT_SUCCESS;
    }
    case DOCUMENTEVENT_CREATEDCPOST:
    case DOCUMENTEVENT_RESETDCPOST: return FreeEventDevMode(PointedDevMode(cjIn, pvIn));
    case DOCUMENTEVENT_STARTDOC: return SendLabelInfo(hdc);
    case DOCUMENTEVENT_STARTPAGE: return hdc == nullptr ? DOCUMENTEVENT_FAILURE : SendPageSetup(printer, hdc);
    case DOCUMENTEVENT_ENDPAGE: return DrawPageMarks(hdc, 0);
    case DOCUMENTEVENT_ENDDOC: return DrawPageMarks(hdc, 1);
    default: return DOCUMENTEVENT_SUCCESS;
  }
}

}  // namespace

int DrvDocumentEvent(HANDLE printer, HDC hdc, int event, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
  try {
    return Dispatch(printer, hdc, event, cjIn, pvIn, cjOut, pvOut);
  } catch (...) {
    return DOCUMENTEVENT_FAILURE;
  }
}
