// Clearing of the page record unit at document start.
#include "graphics_driver/job_output/page_layout_record.h"

#include <cstring>

int ClearPageRecordArea(PageLayoutRecord* record) {
  if (!record) return -1;
  // The unit runs past the record into the paper-margin record beside it.
  std::memset(static_cast<void*>(record), 0, kPageRecordUnitBytes);
  return 0;
}
