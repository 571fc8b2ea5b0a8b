// The application layout escapes: the layout mode and its feature query
// (0x1071), image packets (0x1072), control of the page collection mode
// (0x1073), and duplex and pages-per-sheet overrides (0x1074). Their
// blocks come from applications: every field is read only within the bytes
// the call states, and an answer is written only into a buffer that holds it.
#pragma once

#include "graphics_driver/core/pdev_state.h"

constexpr ULONG kEscLayoutMode = 0x1071;
constexpr ULONG kEscImagePacket = 0x1072;
constexpr ULONG kEscPageCollect = 0x1073;
constexpr ULONG kEscDuplexNup = 0x1074;

// Commands of the 8-byte block of 0x1071 and 0x1074: u32 size (8), u16
// command, u16 argument.
constexpr uint32_t kLayoutBlockBytes = 8;
constexpr uint16_t kLayoutCommandOn = 1;
constexpr uint16_t kLayoutCommandOff = 2;
constexpr uint16_t kLayoutFeatureQuery = 3;
constexpr uint16_t kLayoutIdentify = 0x6585;
constexpr uint32_t kLayoutFeatureReplyBytes = 20;
// "KZPE" read from the most significant byte.
constexpr uint32_t kLayoutIdentification = 0x4B5A5045;

// The u16 command of 0x1073.
constexpr uint16_t kCollectTakeControl = 0x1201;
constexpr uint16_t kCollectReleaseControl = 0x1202;
constexpr uint16_t kCollectModeOne = 0x1203;
constexpr uint16_t kCollectModeTwo = 0x1204;
constexpr uint16_t kCollectModeNone = 0x1205;

// Commands of 0x1074.
constexpr uint16_t kDuplexQuery = 0x1301;
constexpr uint16_t kDuplexSet = 0x1302;
constexpr uint16_t kNupQuery = 0x1303;
constexpr uint16_t kNupSet = 0x1304;
constexpr uint16_t kDuplexSimplex = 0x1311;
constexpr uint16_t kDuplexLongEdge = 0x1312;
constexpr uint16_t kDuplexShortEdge = 0x1313;
constexpr uint16_t kDuplexNone = 0x1314;

// The answer of one of the four escapes for a valid PDEV, as a signed
// number: positive done (the packet id for 0x1072), 0 not available, -1 no
// block, -2 unknown command, -3 unknown feature or command, -4 a block too
// short or a chunk refused, -5 a value not taken, -6 not allowed now.
int HandleLayoutEscape(PdevState* pdev, ULONG code, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut);
