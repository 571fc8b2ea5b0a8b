// User-defined paper slots (see user_paper.h).
#include "settings/services/user_paper.h"

#include "platform/win/win_format.h"

namespace {

// The base of the default slot names: the code page 932 bytes of the Japanese
// words for "user-defined", each byte kept as one character (its code page
// 1252 character where there is one, else the byte's own value).
const WCHAR kUserPaperBaseName[] = {0x0192, 0x2020, 0x0081, 0x005B, 0x0192, 0x0055, 0x0081,
                                    0x005B, 0x2019, 0x00E8, 0x2039, 0x0060, 0};

}  // namespace

bool IsUserPaperCode(uint32_t code) { return (code >= 262 && code <= 266) || (code >= 287 && code <= 291); }

WORD GetUserPaperIndex(uint32_t code) {
  if (code >= 262 && code <= 266) return static_cast<WORD>(code - 262);
  if (code >= 287 && code <= 291) return static_cast<WORD>(code - 282);
  return kNoUserPaper;
}

WORD GetUserPaperCode(uint32_t slot) {
  if (slot <= 4) return static_cast<WORD>(262 + slot);
  if (slot <= 9) return static_cast<WORD>(282 + slot);
  return kNoUserPaper;
}

int FormatUserPaperName(uint32_t slot, LPWSTR buffer) {
  if (buffer == nullptr) return 0;
  wnsprintfW(buffer, kUserPaperNameBytes / sizeof(WCHAR), u"%s%d", kUserPaperBaseName, static_cast<int>(slot + 1));
  return 1;
}
