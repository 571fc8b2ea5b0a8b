// Taking over an application's DEVMODE into a working DEVMODE that already
// holds valid settings: only the public fields the source flags, the model
// supports and validation accepts; the paper and the resolution through
// their own rules; the private part only when the source is provably one of
// this driver's own.
#pragma once

#include "platform/win/win_types.h"
#include "settings/model/device_model.h"
#include "settings/access/setting_ids.h"

// One row of the merge: a DEVMODE field bit and the setting of that field.
struct MergeFieldRow {
  DWORD fieldBit;
  SettingId id;
};
constexpr int kMergeFieldRowCount = 12;
// The fields the merge takes over, in the order it takes them.
extern const MergeFieldRow kMergeFieldTable[kMergeFieldRowCount];

// `operation` is the validation operation: 2 checks as a stored value, 16
// as a proposed value. The source is read only within its own dmSize and
// dmDriverExtra. 1 success (also without a source), 0 failure (0 without
// target or settings block); a failed merge may leave the target partly
// merged.
int MergeDevModeFields(DeviceModel* model, void* target, const void* source, void* settings, HANDLE printer,
                       int operation);
// The paper of the source (a WorkingDevMode), matched against the spooler's
// forms: 1 also when nothing was merged, 0 on a failed read or write.
int MergePaperFields(DeviceModel* model, void* target, const void* source, void* settings, HANDLE printer);
// The resolution of the source (a WorkingDevMode): 1 success or nothing to
// do, 0 failure or an unknown operation.
int MergeResolution(DeviceModel* model, void* target, const void* source, void* settings, int operation);
