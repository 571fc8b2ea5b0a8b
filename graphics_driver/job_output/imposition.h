// Booklet and poster imposition as the page pipeline calls it: the steps at
// each physical page end and at the job end.
#pragma once

#include "graphics_driver/job_output/booklet_imposition.h"
#include "graphics_driver/job_output/poster_imposition.h"
