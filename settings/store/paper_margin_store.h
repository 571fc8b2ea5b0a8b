// The per-user paper margin store: one 20-byte value per paper under the
// printer's per-user "Paper Margin" key, named by the paper code in decimal,
// seeded on first use from the machine-wide "<base>Paper Margin" key. Margins
// are kept in a stored order that differs from the caller's by orientation.
#pragma once

#include <cstdint>

#include "platform/win/win_registry.h"
#include "platform/win/win_types.h"

// Margin status codes.
constexpr int kMarginOk = 1;
constexpr int kMarginKeyNotCreated = -1;
constexpr int kMarginWriteFailed = -4;
constexpr int kMarginNoMemory = -5;
constexpr int kMarginBadOrientation = -7;
constexpr int kMarginNoKeyPath = -100;

// The margin every side has when none is stored.
constexpr int32_t kDefaultPaperMargin = 46;
// Bytes of a stored margin value.
constexpr DWORD kPaperMarginValueSize = 20;

// RotateMargins directions and orientations.
constexpr int kMarginsToStored = 1;
constexpr int kMarginsToCaller = 2;
constexpr int kOrientationPortrait = 1;
constexpr int kOrientationLandscape = 2;

// A stored margin value: u16 paper code, two bytes not interpreted, four
// i32 margins in stored order.
#pragma pack(push, 1)
struct PaperMarginValue {
  uint16_t paperCode;
  uint16_t unused;
  int32_t margins[4];
};
#pragma pack(pop)
static_assert(sizeof(PaperMarginValue) == kPaperMarginValueSize);

// 1 when a DWORD "WriteCheck" can be written (and is deleted again) under
// HKEY_LOCAL_MACHINE "SOFTWARE"; -4 otherwise.
int CanWriteMachineKey(void* ignored);
// base + "Paper Margin" as a new GlobalAlloc text: 1, or -5.
int MakePaperMarginMachinePath(LPCWSTR machineBase, WCHAR** path);
// The per-user "Paper Margin" key (KEY_ALL_ACCESS), created and seeded from
// the machine key when missing; a copy of its path on request (GlobalAlloc).
// The caller closes the key. A margin status.
int OpenPaperMarginKey(HANDLE printer, LPCWSTR machineBase, HKEY* key, WCHAR** pathCopy);
// Writes the value under the name of its paper code: 1 or -4.
int WritePaperMarginValue(HKEY key, const PaperMarginValue* value);
// The four stored margins of the paper: the stored value, else the defaults
// (written back when the machine key is writable). A value of any size other
// than 20 bytes counts as not stored. A margin status.
int ReadPaperMarginValue(HANDLE printer, LPCWSTR machineBase, WORD paperCode, int32_t stored[4]);
// Stores the paper's margins (in stored order). A margin status.
int WritePaperMargins(HANDLE printer, LPCWSTR machineBase, WORD paperCode, const int32_t stored[4]);
// Deletes the per-user key and creates it again empty. A margin status.
int ClearStoredPaperMargins(HANDLE printer, LPCWSTR machineBase);
// Exchanges caller and stored order for the orientation: 1, or -7 for
// another orientation or direction.
int RotateMargins(int direction, int orientation, int32_t stored[4], int32_t caller[4]);
// 46 on every side, whatever the orientation: 1.
int SetDefaultPaperMargins(int32_t caller[4], int orientation);
// The paper's margins in the caller's order. A margin status.
int GetStoredPaperMargins(HANDLE printer, WORD paperCode, int32_t caller[4], LPCWSTR machineBase, int orientation);
// Stores the caller's margins of the paper. A margin status.
int SetStoredPaperMargins(HANDLE printer, WORD paperCode, const int32_t caller[4], LPCWSTR machineBase,
                          int orientation);
