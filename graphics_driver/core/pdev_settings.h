// The PDEV's setting accessors: each reads one setting through the settings
// model, with the PDEV's current buffers, and turns its raw value into the
// form its users need. None checks the PDEV or fails unless said otherwise.
// Output buffers of the text accessors hold the setting's field (its
// characters and terminator); nothing is written past that.
#pragma once

#include "graphics_driver/core/pdev_state.h"

BYTE IsPjlOutput(const PdevState* pdev);                // 1032
BYTE GetOutputOption1042(const PdevState* pdev);        // 1042
BYTE GetSetting1057(const PdevState* pdev);             // 1057
int GetOutputResolutionDpi(const PdevState* pdev);      // 1043: 0 -> 0, 1 -> 400, else 600
int GetOwnerNameSource(const PdevState* pdev);          // 1031: 0, 1, else 2
int CopyOwnerName1(const PdevState* pdev, WCHAR* out);  // 1025
int CopyOwnerName2(const PdevState* pdev, WCHAR* out);  // 1054
// 1051, with a backslash appended to a path longer than 3 characters: `out`
// holds the field's characters plus one.
int GetOutputFolderPath(const PdevState* pdev, WCHAR* out);
WORD UsesSettingsFileName(const PdevState* pdev);  // 1037
// 1300 when 1037 is non-zero, else the job's document name without its last
// "." and what follows; `out` holds 260 characters.
int GetOutputFileBaseName(const PdevState* pdev, WCHAR* out);
WORD GetExistingFileAction(const PdevState* pdev);  // 1039
WORD IsSaveAsPjl(const PdevState* pdev);            // 1040
WORD GetOutputPaperSize(const PdevState* pdev);     // 262
int GetOutputPaperSeries(const PdevState* pdev);    // series of 262
int GetNupMode(const PdevState* pdev);              // 295, 264
int GetImageRotateMode(const PdevState* pdev);      // 437: 0 -> 0, 4 -> -1, else 1
WORD GetScalePercent(const PdevState* pdev);        // 263
int IsScalingOn(const PdevState* pdev);             // 449
int IsFlag470(const PdevState* pdev);
WORD GetSetting333(const PdevState* pdev);
BYTE GetSetting332(const PdevState* pdev);
SHORT GetCopies(const PdevState* pdev);         // 12
LONG GetSetting373(const PdevState* pdev);      // 0 while flag 453 is set
int IsPreviewMode(const PdevState* pdev);       // 475
int IsSaveToFileMode(const PdevState* pdev);    // 471
int IsImageRotated(const PdevState* pdev);      // 1032 set and 437 neither 0 nor 4
int IsTopUnderMarginOn(const PdevState* pdev);  // 477
int IsImageOffsetOn(const PdevState* pdev);     // 478
int IsSetting413TwoOrThree(const PdevState* pdev);
int GetSetting413Code(const PdevState* pdev);  // 3 for 1 or 3, else 2
int IsCollateOn(const PdevState* pdev);        // 18
int IsReverseOrder(const PdevState* pdev);     // 451
int GetPjlMediaSource(const PdevState* pdev);  // 265
int GetPjlMediaType(const PdevState* pdev);    // 388
BYTE GetFinishProgram(const PdevState* pdev);  // 376
BYTE GetFinishMargins(const PdevState* pdev);  // 411
BYTE GetFinishBin(const PdevState* pdev);      // 412
int IsFlag479(const PdevState* pdev);
SHORT GetSetting285(const PdevState* pdev);
WORD GetSetting356(const PdevState* pdev);
WORD GetSetting355(const PdevState* pdev);
int GetLabelCorner(const PdevState* pdev);             // 303
int CopyLabelText(const PdevState* pdev, WCHAR* out);  // 299
int IsLabelTextOn(const PdevState* pdev);              // 467
int IsLabelDateOn(const PdevState* pdev);              // 468
int IsLabelTimeOn(const PdevState* pdev);              // 469
int GetPageHandlingMode(const PdevState* pdev);        // 470, 453, 373
LONG GetTopMarginDots(const PdevState* pdev);          // 351 at dmYResolution
LONG GetUnderMarginDots(const PdevState* pdev);        // 352
LONG GetImageOffset1Dots(const PdevState* pdev);       // 353
LONG GetImageOffset2Dots(const PdevState* pdev);       // 354

// The series a paper code belongs to (0 for none), and whether it is one of
// the large papers.
int GetPaperCodeSeries(int code);
bool IsLargePaperCode(int code);

// Zero-ended texts between the ANSI code page and wide characters, into `out`
// of n bytes or n wide characters: 1 when anything was written, else 0.
int WideToAnsi(const WCHAR* wide, char* out, int n);
int AnsiToWide(WCHAR* out, const char* ansi, int n);
