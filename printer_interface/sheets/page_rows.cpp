// The rows of the pages and sub-dialogs are defined next to each page's own
// handlers; this hands them to the page tables once, before the first sheet.
#include "printer_interface/controls/control_kinds.h"
#include "printer_interface/framework/page_framework.h"
#include "printer_interface/pages/about_dialog.h"
#include "printer_interface/pages/device_page.h"
#include "printer_interface/pages/document_pages.h"
#include "printer_interface/pages/page16_stamp_text.h"

void InstallPageRows() {
  InstallGenericHandlers();
  InstallDevicePageRows();
  InstallStampPage();
  InstallAboutDialog();
  InstallDocumentPages();
}
