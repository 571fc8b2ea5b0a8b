// Everything the base layer offers, in one include, for code written against
// the Windows services. Each area of platform/win adds its header here.
#pragma once

#include "platform/win/win_types.h"
#include "platform/win/win_error.h"
#include "platform/win/win_devmode.h"
#include "platform/win/win_logfont.h"
#include "platform/win/win_version.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_text.h"
#include "platform/win/win_format.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_sync.h"
#include "platform/win/win_time.h"
#include "platform/win/win_names.h"
#include "platform/win/win_muldiv.h"
#include "platform/win/win_md5.h"
#include "platform/win/crt_io.h"
