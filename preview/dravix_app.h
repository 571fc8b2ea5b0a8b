// The preview application's own state: the settings file path, built in the
// temp folder at start-up, and the start-printing flag that becomes the exit
// code. The one application object is theApp.
#pragma once

#include "platform/mfc/cwinapp.h"
#include "platform/win/win_types.h"

class CDravixApp : public CWinApp {
 public:
  CDravixApp();
  virtual ~CDravixApp() = default;
  CDravixApp(const CDravixApp&) = delete;
  CDravixApp& operator=(const CDravixApp&) = delete;

  // Fills destination (MAX_PATH characters) with the temp folder, "\Brisca\"
  // and "Brisca.ini". 1 on success; 0 and an empty path when the temp folder
  // cannot be determined or the path would not fit.
  static int BuildIniPath(char* destination);
  // The process exit code: the start-printing flag.
  int ExitInstance() override;
  // Start-up with the window (preview/window): settings path, template,
  // command line, main window shown with "WINDOWFLAG".
  BOOL InitInstance() override;
  // The framework's open of a file, as a drop hands it over.
  CDocument* OpenDocumentFile(const char* path) override;
  // Command 57664: the about box.
  void OnAppAbout();
  // The start-printing command: the flag goes from 0 to 1, never back.
  void SetStartPrinting() { m_nStartPrinting = 1; }
  int GetStartPrinting() const { return m_nStartPrinting; }
  const char* GetIniPath() const { return m_szIniPath; }

  char m_szIniPath[MAX_PATH];
  int m_nStartPrinting;
};

extern CDravixApp theApp;
