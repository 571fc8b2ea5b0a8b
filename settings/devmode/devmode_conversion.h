// Deciding what to do with a DEVMODE or a printer settings block that comes
// from outside (another driver version, another model, nobody known): keep
// it, rebuild it from the model's defaults, or convert it step by step from
// an older layout. A conversion that fails in any step leaves the model's
// defaults, never a half-converted block. Also the worker of the interface
// library's DEVMODE conversion entry point.
#pragma once

#include "platform/win/win_types.h"
#include "settings/model/device_model.h"
#include "settings/access/setting_ids.h"

// The identity fields of a DEVMODE: read from an incoming one, or built from
// the model's defaults.
struct DevModeIdentity {
  WORD dmSize;
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmDriverExtra;
  WORD formatVersion;   // setting 257, the first word of the private part
  WCHAR modelName[33];  // at most 32 characters, terminated
};

// The identity fields of a printer settings block.
struct SettingsBlockIdentity {
  WORD driverVersion;  // setting 1298
  WORD formatVersion;  // setting 1307
  WORD blockSize;      // setting 1297
  WORD setting1041;
};

// Results of ConvertIncomingDevMode and ConvertIncomingSettingsBlock.
constexpr int kConvertedFields = 0;
constexpr int kCopiedUnchanged = 1;
constexpr int kReplacedByDefaults = 2;
constexpr int kConversionFailed = -1;

// Results of ConvertDevModeWorker (the entry point reports 1, 2 and 3 as success).
constexpr int kWorkerConverted = 1;
constexpr int kWorkerCopied = 2;
constexpr int kWorkerDefaults = 3;
constexpr int kWorkerTooSmall = -1;
constexpr int kWorkerFailed = -2;

// Modes of the conversion entry point.
constexpr DWORD kConvertDevModeMode = 1;        // CDM_CONVERT
constexpr DWORD kConvertDevMode351Mode = 2;     // CDM_CONVERT351, not supported
constexpr DWORD kDriverDefaultDevModeMode = 4;  // CDM_DRIVER_DEFAULT

// The incoming DEVMODE is read only within its own dmSize + dmDriverExtra.
// 1 with both identities; 0 when either cannot be read (the private part
// of an incoming DEVMODE whose dmDriverExtra is 68 or less is not read).
// The private format version and model name are read only when dmSize is
// the model's; otherwise they stay empty (such a DEVMODE is not kept).
int ReadDevModeIdentity(DeviceModel* model, const void* devMode, DevModeIdentity* incoming,
                        DevModeIdentity* modelIdentity);
// The destination receives 2628 bytes unless the result is -1.
int ConvertIncomingDevMode(const void* source, void* destination, LPCWSTR deviceName, DeviceModel* model);
// Copies the public and the private part of the source over the destination
// (each cut to the shorter of the two), keeping the destination's identity
// words. The bytes copied, or -1.
int CopyDevModeParts(const void* source, void* destination);
// 0 converted, 2 replaced by defaults, -1 the defaults could not be built.
int ConvertDevModeFields(LPCWSTR deviceName, DeviceModel* model, const DevModeIdentity* incoming, const void* source,
                         const DevModeIdentity* modelIdentity, void* destination);

// The source and destination are printer settings blocks (2840 bytes).
int ReadSettingsBlockIdentity(const void* block, SettingsBlockIdentity* incoming, SettingsBlockIdentity* modelIdentity,
                              DeviceModel* model);
int ConvertIncomingSettingsBlock(const void* source, void* destination, DeviceModel* model);
int CopySettingsBlockBytes(const SettingsBlockIdentity* incoming, const void* source,
                           const SettingsBlockIdentity* modelIdentity, void* destination);
int ConvertSettingsBlockFields(const SettingsBlockIdentity* incoming, const void* source,
                               const SettingsBlockIdentity* modelIdentity, void* destination, DeviceModel* model);

// The worker of the DEVMODE conversion entry point for the named printer.
// Sets the last error to ERROR_INVALID_PARAMETER without a size and to
// ERROR_INSUFFICIENT_BUFFER (with *size set to 2628) for a small destination.
int ConvertDevModeWorker(LPCWSTR printerName, const void* source, void* destination, LONG* size, DWORD mode);
