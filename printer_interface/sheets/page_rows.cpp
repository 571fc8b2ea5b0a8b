// The rows of the pages and sub-dialogs are defined next to each page's own
// handlers; this hands them to the page tables once, before the first sheet.
#include "printer_interface/controls/control_kinds.h"
#include "printer_interface/framework/page_framework.h"
#include "printer_interface/pages/document_pages.h"

void InstallPageRows() {
  InstallGenericHandlers();
  InstallDocumentPages();
}
