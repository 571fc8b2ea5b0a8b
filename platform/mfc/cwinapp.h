// The application object: one per program. Start-up (InitInstance), the
// message loop (Run), the end (ExitInstance, whose answer is the exit code),
// the command line, the document template and the application's commands.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/mfc/ccmdtarget.h"
#include "platform/mfc/cdoctemplate.h"

class CCommandLineInfo {
 public:
  enum { FileNew, FileOpen, FileNothing = 7 } m_nShellCommand = FileNew;
  std::string m_strFileName;
  // Called for every argument; the first that is no option names the file.
  virtual void ParseParam(const char* param, BOOL flag, BOOL last);
  virtual ~CCommandLineInfo() = default;
};

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(const char* appName = nullptr);
  ~CWinApp() override;

  virtual BOOL InitInstance() { return TRUE; }
  // The answer becomes the process exit code.
  virtual int ExitInstance();
  // The message loop: until the main window is destroyed.
  virtual int Run();

  void SetCommandLine(std::vector<std::string> args) { m_args = std::move(args); }
  void ParseCommandLine(CCommandLineInfo& info);
  BOOL ProcessShellCommand(CCommandLineInfo& info);

  // The one template; a new one replaces (and closes) the one before.
  void AddDocTemplate(CSingleDocTemplate* tmpl);
  // Destroys the main window and the template's document and frame.
  void CloseAllDocuments(BOOL endSession);
  CSingleDocTemplate* GetDocTemplate() const { return m_template.get(); }
  virtual CDocument* OpenDocumentFile(const char* path);
  // The framework's new (57600) and open (57601) commands.
  void OnFileNew();
  void OnFileOpen();
  void OnAppExit();

  // Accepted for the start-up sequence; the framework's profile store and
  // control container have no use here.
  void LoadStdProfileSettings(UINT = 4) {}
  void Enable3dControls() {}
  void SetRegistryKey(const char*) {}

  // Idle work: update rules of the main window's bars.
  virtual BOOL OnIdle(LONG count);

  CFrameWnd* m_pMainWnd = nullptr;
  std::string m_pszAppName;

 private:
  std::vector<std::string> m_args;
  std::unique_ptr<CSingleDocTemplate> m_template;
};

CWinApp* AfxGetApp();
CFrameWnd* AfxGetMainWnd();
inline void AfxEnableControlContainer() {}

// Runs the application object: InitInstance, Run when it succeeds, and
// ExitInstance, whose answer it returns. A start-up that fails destroys the
// main window first.
int AfxWinMain(const std::vector<std::string>& args);

// A message box over the main window with the application title as caption.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT help = 0);
int AfxMessageBox(UINT idPrompt, UINT type = MB_OK, UINT help = (UINT)-1);

// The wait cursor while the object lives.
class CWaitCursor {
 public:
  CWaitCursor();
  ~CWaitCursor();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  void Restore() {}
};
