// The document event tests: the printer's DEVMODE with paper margins on, the
// machine base of the margin store, and the scripted DC answering
// ESC_GET_DEVMODE with the working DEVMODE.
#pragma once

#include "printer_interface/interface_fixture.h"
#include "printer_interface/events/document_events.h"
#include "settings/services/escape_records.h"
#include "settings/services/spooler_records.h"
#include "settings/store/paper_margin_store.h"

namespace pk::test {

inline const char16_t* const kMachineBase = u"Software\\Caldrix\\KZ TRD Printer Driver\\Machine\\";

class EventTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    ASSERT_EQ(GetPrinterFormCount(), true);
  }
  bool GetPrinterFormCount() {
    FORM_INFO_1W* forms = nullptr;
    if (EnumPrinterForms(printer_, &forms, nullptr, &builtins_) != 1) return false;
    GlobalFree(forms);
    return true;
  }
  // Adds a user form (size in 0.1 mm); its number follows the others.
  DWORD AddUserForm(const WCHAR* name, LONG width, LONG height) {
    FORM_INFO_1W form = {
        FORM_USER, const_cast<LPWSTR>(name), {width * 100, height * 100}, {0, 0, width * 100, height * 100}};
    EXPECT_TRUE(AddFormW(printer_, 1, reinterpret_cast<const BYTE*>(&form)));
    return builtins_ + ++added_;
  }
  int Event(int event, HDC hdc, ULONG cjIn = 0, PVOID in = nullptr, ULONG cjOut = 0, PVOID out = nullptr) {
    return DrvDocumentEvent(printer_, hdc, event, cjIn, in, cjOut, out);
  }
  // CREATEDCPRE with a DEVMODE: the DEVMODE handed back, or null.
  DEVMODEW* CreateDcPre(DEVMODEW* devMode) {
    DOCEVENT_CREATEDCPRE pre{nullptr, const_cast<LPWSTR>(PK_DEFAULT_PRINTER_NAME), devMode, FALSE};
    DEVMODEW* out = nullptr;
    EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPRE, nullptr, sizeof pre, &pre, sizeof out, &out), 1);
    return out;
  }
  void StoreMargins(WORD code, int32_t a, int32_t b, int32_t c, int32_t d) {
    const int32_t stored[4] = {a, b, c, d};
    ASSERT_EQ(WritePaperMargins(printer_, kMachineBase, code, stored), kMarginOk);
  }
  static PaperMarginRecord RecordAt(const void* bytes) {
    PaperMarginRecord r;
    std::memcpy(&r, bytes, sizeof r);
    return r;
  }

  DWORD builtins_ = 0;
  DWORD added_ = 0;
};

}  // namespace pk::test
