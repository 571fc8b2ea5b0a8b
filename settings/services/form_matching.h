// Spooler forms and the device model's papers: the paper code of a form,
// the spooler form that matches a paper by name, size or form number, and
// the check of a paper against the model's papers.
#pragma once

#include "platform/spooler/winspool.h"
#include "settings/model/device_model.h"
#include "settings/model/model_interface.h"
#include "settings/services/spooler_records.h"

// MatchPrinterForm / MatchFormAmongCandidates / ResolvePaperForm modes.
constexpr int kFormByName = 1;
constexpr int kFormBySize = 2;
constexpr int kFormByNumber = 4;

// 1 with the paper code of form `index` (1-based): a built-in form's number is
// its paper code; any other form takes the code of the model's paper option
// (setting 8) of the same name. 10 when the form has no name or the model
// cannot be opened; else the status of the form or option query that failed
// (2 when no option has the form's name).
FormStatus FormIndexToPaperCode(HANDLE printer, DWORD index, WORD* code);

// 1 with the spooler form matching the query (by name, size in 0.1 mm or
// 1-based form number) in `found`: key = form number, size in 0.1 mm, a new
// copy of the name (FreePaperMatch). 0 otherwise. Among several forms of the
// size, the query's name or form number decides, else the model's paper of
// that size, else a user paper slot's default name, else the first.
int MatchPrinterForm(DeviceModel* model, void* reserved1, void* reserved2, HANDLE printer, int mode,
                     const PaperMatch* query, PaperMatch* found);
// 1 with the position (0-based, in `forms`) of the first candidate matching
// the query by name (mode 1) or form number (mode 4).
int MatchFormAmongCandidates(const FORM_INFO_1W* forms, const DWORD* candidates, DWORD candidateCount, int mode,
                             const PaperMatch* query, DWORD* position);
// Modes 1 and 2: whether the model has a paper of the record's name or size.
// Mode 4: 1 for a built-in form; else whether the model has a paper of the
// record's name; else the record is replaced by the spooler form named like
// the model's paper of its size (1), or left as it is (0).
int ResolvePaperForm(DeviceModel* model, void* reserved1, void* reserved2, HANDLE printer, int mode,
                     PaperMatch* record);
