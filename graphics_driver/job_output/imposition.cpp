// Booklet and poster imposition (see imposition.h).
#include "graphics_driver/job_output/imposition.h"

int EndBookletSheet(PdevState*) { return -1; }
int ReplayBooklet(PdevState*) { return -1; }
int ReplayPosterTiles(PdevState*, uint16_t) { return -1; }
int AddPosterMarks(PdevState*) { return -1; }
