// DrvDeviceCapabilities: the device model, the printer's working DEVMODE
// with the application's fields merged in and the printer settings block,
// prepared for the settings model's capability handlers.
#pragma once

#include "platform/win/win_devmode.h"
#include "platform/win/win_types.h"
#include "settings/capabilities/device_capabilities.h"

// How the prepared request is answered (CallCapabilityHandler in the library).
using CapabilityCall = LONG (*)(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                                DeviceModel* model);

// DrvDeviceCapabilities with the answering call given: opens the model, fills
// a 4700-byte working DEVMODE and a 2840-byte settings block from the printer
// (and `devMode` when given), and hands them to `call` with the flags of
// what is ready. Allocation failures leave the DEVMODE and block unready.
LONG AnswerDeviceCapability(HANDLE printer, WORD index, void* output, const DEVMODEW* devMode, CapabilityCall call);
