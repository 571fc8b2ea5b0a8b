// What the library does for the spooler outside of any print job: the
// printer's id, stored settings and font substitution table when a printer is
// installed or its driver upgraded, the model's paper sizes as spooler forms,
// per-user settings of printers that are gone, the colour profile's name and
// the directory-service capability values.
#pragma once

#include "platform/win/win_types.h"
#include "settings/model/device_model.h"

// Opens a printer as the library's own spooler work does: no datatype, no
// DEVMODE, PRINTER_ALL_ACCESS. Null on failure (the last error set).
HANDLE OpenPrinterForEvents(LPCWSTR printerName);

// Adds one FORM_USER form per model paper with a code from 256 (user papers
// as A4 under their slot name, unless the form exists already). 1 when every
// form exists or was added, 0 on the first other failure.
int AddModelForms(HANDLE printer, DeviceModel* model);

// Brings the stored printer settings to the current version and makes sure
// the font substitution table is stored (`full` 0: the table only). 1 / 0.
int MigratePrinterSettings(HANDLE printer, DeviceModel* model, int full);

// Writes the two one-byte "DsDriver" values from the printer settings block:
// 1 when both writes succeeded, else 0.
int PublishDsCapabilities(HANDLE printer, const void* settings);
