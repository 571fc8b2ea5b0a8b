// What the job output offers the driver's core: the band height of the
// device surface, the band steps, the page pipeline and the job's output
// objects, the document's device memory pool, the output abort state, the
// job output's state across a PDEV reset, and the job user record.
#pragma once

#include "graphics_driver/job_output/banding/band_steps.h"
#include "graphics_driver/job_output/bands.h"
#include "graphics_driver/job_output/job_output_objects.h"
#include "graphics_driver/job_output/page_pipeline.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/memory_pool.h"
#include "graphics_driver/job_output/pjl_job_stream.h"
#include "graphics_driver/job_output/save_file_name.h"
