// The preview application's state (see dravix_app.h).
#include "preview/dravix_app.h"

#include <cstring>

#include "platform/win/win_file.h"

CDravixApp theApp;

CDravixApp::CDravixApp() : m_nStartPrinting(0) { m_szIniPath[0] = 0; }

int CDravixApp::BuildIniPath(char* destination) {
  static const char kTail[] = "\\Brisca\\Brisca.ini";
  destination[0] = 0;
  char folder[MAX_PATH];
  DWORD n = GetTempPathA(MAX_PATH, folder);
  if (n == 0 || n >= MAX_PATH) return 0;
  // The temp path ends in a backslash already: the doubled one is accepted.
  if (size_t(n) + sizeof kTail > MAX_PATH) return 0;
  std::memcpy(destination, folder, n);
  std::memcpy(destination + n, kTail, sizeof kTail);
  return 1;
}

int CDravixApp::ExitInstance() { return m_nStartPrinting; }
