// Numbers of the framework the preview is written against: its command and
// string ids, the frame and view styles, scroll modes, accelerator flags and
// show commands the window layer does not already give.
#pragma once

#include "platform/ui/win_controls.h"
#include "platform/ui/win_window.h"
#include "platform/win/win_msgbox.h"

// Framework commands.
#define ID_FILE_NEW 0xE100
#define ID_FILE_OPEN 0xE101
#define ID_FILE_PRINT_SETUP 0xE106
#define ID_FILE_PRINT_DIRECT 0xE107
#define ID_FILE_PRINT 0xE108
#define ID_FILE_PRINT_PREVIEW 0xE109
#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141
#define ID_VIEW_TOOLBAR 0xE800
#define ID_SEPARATOR 0

// Framework windows and strings.
#define AFX_IDW_TOOLBAR 0xE800
#define AFX_IDW_STATUS_BAR 0xE801
#define AFX_IDW_PANE_FIRST 0xE900
#define AFX_IDS_APP_TITLE 0xE000
#define AFX_IDS_IDLEMESSAGE 0xE001

// More show commands.
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

// Frame styles.
#define FWS_ADDTOTITLE 0x00008000L
#define WS_OVERLAPPEDWINDOW 0x00CF0000L
#define WS_THICKFRAME 0x00040000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_EX_CLIENTEDGE 0x00000200L

// Control bar styles.
#define CBRS_ALIGN_TOP 0x1000L
#define CBRS_ALIGN_LEFT 0x2000L
#define CBRS_ALIGN_BOTTOM 0x4000L
#define CBRS_ALIGN_RIGHT 0x8000L
#define CBRS_ALIGN_ANY 0xF000L
#define CBRS_TOOLTIPS 0x0010L
#define CBRS_FLYBY 0x0020L
#define CBRS_GRIPPER 0x00400000L
#define CBRS_SIZE_DYNAMIC 0x0080L
#define CBRS_TOP (CBRS_ALIGN_TOP | 0x0400L)
#define CBRS_BOTTOM (CBRS_ALIGN_BOTTOM | 0x0400L)
#define TBSTYLE_FLAT 0x0800
#define TBBS_SEPARATOR 0x0001
#define SBPS_NORMAL 0x0000
#define SBPS_NOBORDERS 0x0100
#define SBPS_STRETCH 0x0800

// Scroll mapping mode.
#define MM_TEXT 1

// Accelerator flags.
#define FVIRTKEY 0x01
#define FSHIFT 0x04
#define FCONTROL 0x08
#define FALT 0x10

// Raster operations and DIB colour use.
#define SRCCOPY 0x00CC0020
#define PATCOPY 0x00F00021
#define DIB_RGB_COLORS 0

// Window messages of frames and views.
#define WM_DROPFILES 0x0233
#define WM_ERASEBKGND 0x0014
