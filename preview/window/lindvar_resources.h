// The preview window's resource tables: menu and accelerators 128, the
// toolbar's slots and images (bitmap 134), icon 128 and dialogs 100, 130,
// 131 and 133. Its strings are the program's own string table.
#pragma once

#include "platform/mfc/afx_resources.h"

// The tables, made once; hand them to AfxSetResources before start-up.
const AfxResourceTable* LindvarResources();
// The toolbar's eleven slots.
extern const AfxToolSlot kLindvarToolbar[11];
