// The application object, start-up helpers, message boxes and the wait
// cursor (see cwinapp.h).
#include "platform/mfc/cwinapp.h"

#include "platform/mfc/afx_backend.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }
CFrameWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

void CCommandLineInfo::ParseParam(const char* param, BOOL flag, BOOL) {
  if (flag || m_nShellCommand == FileOpen) return;
  m_strFileName = param;
  m_nShellCommand = FileOpen;
}

CWinApp::CWinApp(const char* appName) {
  if (appName) m_pszAppName = appName;
  g_app = this;
  MapCommand(ID_FILE_NEW, [this] { OnFileNew(); });
  MapCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
  MapCommand(ID_APP_EXIT, [this] { OnAppExit(); });
}

CWinApp::~CWinApp() {
  m_pMainWnd = nullptr;
  m_template.reset();
  if (g_app == this) g_app = nullptr;
}

int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run() {
  if (m_pMainWnd && m_pMainWnd->IsCreated()) AfxGetBackend()->Run(this);
  return 0;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
  for (size_t i = 0; i < m_args.size(); ++i) {
    const std::string& a = m_args[i];
    bool flag =
        !a.empty() && (a[0] == '-' || a[0] == '/') && a.size() > 1 && a.find_first_of("\\/", 1) == std::string::npos;
    info.ParseParam(flag ? a.c_str() + 1 : a.c_str(), flag, i + 1 == m_args.size());
  }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
  if (info.m_nShellCommand == CCommandLineInfo::FileOpen)
    return OpenDocumentFile(info.m_strFileName.c_str()) != nullptr;
  if (info.m_nShellCommand == CCommandLineInfo::FileNew) {
    OnFileNew();
    return m_pMainWnd != nullptr;
  }
  return TRUE;
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* tmpl) {
  CloseAllDocuments(FALSE);
  m_template.reset(tmpl);
  if (m_pszAppName.empty()) m_pszAppName = AfxLoadString(AFX_IDS_APP_TITLE);
}

void CWinApp::CloseAllDocuments(BOOL) {
  if (m_pMainWnd && m_pMainWnd->IsCreated()) m_pMainWnd->DestroyWindow();
  m_pMainWnd = nullptr;
  m_template.reset();
}

CDocument* CWinApp::OpenDocumentFile(const char* path) {
  return m_template ? m_template->OpenDocumentFile(path) : nullptr;
}

void CWinApp::OnFileNew() {
  if (m_template) m_template->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
  std::string path;
  if (AfxGetBackend()->PromptOpenFile(&path)) OpenDocumentFile(path.c_str());
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd) m_pMainWnd->PostMessage(WM_CLOSE);
}

BOOL CWinApp::OnIdle(LONG) { return FALSE; }

int AfxWinMain(const std::vector<std::string>& args) {
  CWinApp* app = AfxGetApp();
  if (!app) return 0;
  app->SetCommandLine(args);
  if (!app->InitInstance()) {
    if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
  } else {
    app->Run();
  }
  return app->ExitInstance();
}

int AfxMessageBox(const char* text, UINT type, UINT) {
  std::string t = text ? text : "";
  if (AfxInPaint()) {
    // A box inside a paint would paint again beneath it; it waits.
    AfxRunAfterPaint([t, type] { AfxMessageBox(t.c_str(), type); });
    return IDOK;
  }
  CWinApp* app = AfxGetApp();
  std::string caption = app && !app->m_pszAppName.empty() ? app->m_pszAppName : AfxLoadString(AFX_IDS_APP_TITLE);
  return AfxGetBackend() ? AfxGetBackend()->MessageBox(t, caption, type) : IDOK;
}

int AfxMessageBox(UINT idPrompt, UINT type, UINT) { return AfxMessageBox(AfxLoadString(idPrompt).c_str(), type); }

CWaitCursor::CWaitCursor() {
  if (AfxGetBackend()) AfxGetBackend()->WaitCursor(true);
}

CWaitCursor::~CWaitCursor() {
  if (AfxGetBackend()) AfxGetBackend()->WaitCursor(false);
}
