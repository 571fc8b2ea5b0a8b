// Private profile files (".ini"): sections in brackets and "key=value" lines.
// Section and key names compare case-insensitively; the file is read and
// written through the layer's path mapping.
#pragma once

#include "platform/win/win_types.h"

extern "C" {
// The value of key in section as a decimal integer: an optional sign and the
// leading digits count, anything after them is ignored, no digits give 0. A
// missing file, section or key, or an empty value, gives nDefault.
PKAPI UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName);
// Sets key in section to the text: an existing key is updated where it
// stands, a new key is appended to its section, a new section to the file. A
// null text removes the key, a null key the whole section. The file is made
// when missing, its folder never; FALSE when the file cannot be read or
// written.
PKAPI BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName);
}
