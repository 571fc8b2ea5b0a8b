// Paper selection at PDEV creation: the document paper (what the application
// draws on, from the DEVMODE) and the output paper (what the job is printed
// on, from setting 262), each with its device model paper record, its size
// and its printable rectangle, from the spooler's forms where they exist and
// the model's paper records otherwise. Record sizes are in 0.1 mm, PaperInfo
// in device units.
#pragma once

#include "graphics_driver/core/paper_forms.h"
#include "graphics_driver/core/pdev_state.h"
#include "settings/model/model_records.h"

// Searches of the model's paper records (type 10): 0 with the record (the
// caller releases it), 2 when there is none, or the load's failure.
ModelStatus FindPaperRecordByName(ModelFile* primary, ModelFile* secondary, LPCWSTR name, ModelRecord** out);
ModelStatus FindPaperRecordById(ModelFile* primary, ModelFile* secondary, WORD id, ModelRecord** out);
// The first record within 1 mm of the size (device units); the user paper
// slots are passed over.
ModelStatus FindPaperRecordBySize(ModelFile* primary, ModelFile* secondary, uint32_t width, uint32_t height,
                                  ModelRecord** out);
// The record the paper size feature's default option refers to.
ModelStatus FindDefaultPaperRecord(ModelFile* primary, ModelFile* secondary, ModelRecord** out);
int IsVariableSizePaper(const ModelRecord* record);
int IsSizeWithinPaperRange(const ModelRecord* record, uint32_t width, uint32_t height);
int IsNonStandardPaperRecord(const ModelRecord* record);
int IsPaperSmallerThan(const ModelRecord* record, uint32_t width, uint32_t height);

// The paper from a record: its name, size and printable rectangle; 0 when a
// point is missing.
int SetPaperFromRecord(const ModelRecord* record, PaperInfo* paper);
int SetMarginsFromFormArea(PaperInfo* paper, const ModelRecord* record, const FormSize* form);
// The printable rectangle of a W x H paper (0.1 mm) centred from the model's
// custom paper record and aligned by header field 10: 1, or 0 when the record
// or its points are missing.
int CenterPrintableArea(PdevState* pdev, int32_t width, int32_t height, PaperInfo* paper);
// The name of the built-in spooler form the paper's record numbers, if any.
void UseSpoolerFormName(PdevState* pdev, PaperInfo* paper);

int SelectDocumentPaper(PdevState* pdev, PaperInfo* paper);
int SelectOutputPaper(PdevState* pdev, const PaperInfo* documentPaper, PaperInfo* outputPaper);
// Both papers, then the document paper turned for landscape: 1, or 0 when a
// selection fails (no PDEV is made).
int SetupPaperInfo(PdevState* pdev);
// Releases the paper record a PaperInfo holds.
void ReleasePaperInfo(PaperInfo* paper);
