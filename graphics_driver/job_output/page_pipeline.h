// The page pipeline: the driver's job and page state machine between the
// document entry points and the job output. It reads the job set-up, keeps
// the pipeline flags and page counters, separates logical pages (what the
// application draws between DrvStartPage and DrvSendPage) from physical
// pages (sheet faces), decides white back faces, and drives the page spool.
// Every step answers 0 or -1.
#pragma once

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/job_output/page_pipeline_steps.h"

int BeginJobPipeline(PdevState* pdev, HANDLE printer);
int StartJobOutput(PdevState* pdev);
int StartLogicalPage(PdevState* pdev);
int SendPageStep(PdevState* pdev);
// Closes what is open, replays the spooled job and ends the output: -1 when
// the job was in error or any closing step failed.
int FinishJob(PdevState* pdev);
// Clears the pipeline, closes an open spool and frees the output stream and
// the page output objects: 0.
int EndJobPipeline(PdevState* pdev);
int SetupLayoutOverride(PdevState* pdev);
int SetMarkBracketState(PdevState* pdev, int on, int label);

// Steps inside the pipeline, offered for the tests.
int StartPhysicalPage(PdevState* pdev);
int EndLogicalPage(PdevState* pdev);
int EndPhysicalPage(PdevState* pdev);
int SkipBackFace(PdevState* pdev, int force);
int NeedsBlankBackFace(PdevState* pdev, int kind);
int ReplaySpooledJob(PdevState* pdev);
int ResetPageState(PdevState* pdev, int force);
