// The stamp and label drawing is not built yet: both answer -1, so a page
// that asks for a mark ends its event with a failure rather than a page that
// silently lacks it.
#include "printer_interface/marks/page_mark_drawing.h"

int DrawStampMark(HDC, const void*, const PageMarkQuery*) { return -1; }

int DrawLabelMarks(HDC, const void*, const PageMarkQuery*) { return -1; }
