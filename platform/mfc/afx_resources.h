// Resources of a program written against the framework: its strings come
// from the module's own string table (read as UTF-16 and turned into UTF-8
// here, the layer's one conversion); menus, accelerators, toolbar slots and
// dialog templates are const tables of the types below.
#pragma once

#include <string>

#include "platform/win/win_types.h"

// The string `id` of the program's own table as UTF-8; empty when missing.
std::string AfxLoadString(UINT id);
// A UTF-16 text as UTF-8, and back.
std::string AfxUtf8(const std::u16string& text);
std::u16string AfxUtf16(const std::string& text);

// The prompt of command `id`: the fly-by (status bar) text before the
// newline, the tooltip after it.
void AfxPromptParts(UINT id, std::string* flyBy, std::string* tooltip);

// One menu entry: a popup (id 0, items follow up to its end marker), a
// command, or a separator (id 0, no text).
struct AfxMenuItem {
  enum Kind { kCommand, kSeparator, kPopup, kEndPopup };
  Kind kind;
  UINT id;
  const char* text;  // "&" marks the mnemonic; "\t" starts the key text
};
struct AfxMenu {
  const AfxMenuItem* items;
  int count;
};

// One accelerator: flags of FVIRTKEY, FCONTROL, FSHIFT, FALT.
struct AfxAccel {
  BYTE fVirt;
  WORD key;
  WORD cmd;
};
struct AfxAccelTable {
  const AfxAccel* entries;
  int count;
};

// One toolbar slot: a button with its image, or a separator of a width.
struct AfxToolSlot {
  UINT id;  // ID_SEPARATOR for a separator
  int image;
  int width;
};

// Pixels of a 24-bit image, top row first, RGB order.
struct AfxImage {
  int width;
  int height;
  const unsigned char* rgb;
};

// Dialog templates: controls in dialog units, as their templates give them.
enum class AfxControlKind { kGroupBox, kRadio, kEdit, kStatic, kButton, kDefButton, kIcon };
struct AfxDialogControl {
  AfxControlKind kind;
  int id;
  const char* text;
  int x, y, cx, cy;
  DWORD style;  // WS_GROUP starts a radio group; ES_MULTILINE, ES_READONLY
};
struct AfxDialogTemplate {
  UINT id;
  const char* caption;
  const char* fontFace;  // the font the platform stands in with
  int pointSize;
  int cx, cy;
  const AfxDialogControl* controls;
  int count;
};

// The program's tables by id, handed to the layer once before start-up.
struct AfxResourceTable {
  struct Menu {
    UINT id;
    AfxMenu menu;
  };
  struct Accel {
    UINT id;
    AfxAccelTable table;
  };
  struct Bitmap {
    UINT id;
    AfxImage image;
  };
  const Menu* menus;
  int menuCount;
  const Accel* accels;
  int accelCount;
  const Bitmap* bitmaps;  // toolbar strips and icons
  int bitmapCount;
  const AfxDialogTemplate* const* dialogs;
  int dialogCount;
};
void AfxSetResources(const AfxResourceTable* table);
const AfxMenu* AfxFindMenu(UINT id);
const AfxAccelTable* AfxFindAccelerators(UINT id);
const AfxImage* AfxFindBitmap(UINT id);
const AfxDialogTemplate* AfxFindDialog(UINT id);
