// What the job output offers the driver's core: the band height of the
// device surface, the document's device memory pool, the output abort state,
// the job output's state across a PDEV reset, and the job user record.
#pragma once

#include "graphics_driver/job_output/bands.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/memory_pool.h"
#include "graphics_driver/job_output/pjl_job_stream.h"
#include "graphics_driver/job_output/save_file_name.h"
