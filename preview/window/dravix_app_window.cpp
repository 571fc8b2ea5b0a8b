// The application's start-up with the window, its open of files and its
// about command (the rest of CDravixApp is in preview/dravix_app.cpp).
#include <exception>
#include <string>

#include "platform/mfc/afx_backend.h"
#include "preview/dravix_app.h"
#include "preview/dravix_doc.h"
#include "preview/dravix_settings.h"
#include "preview/window/about_dlg.h"
#include "preview/window/dravix_view.h"
#include "preview/window/lindvar_ids.h"
#include "preview/window/main_frame.h"
#include "raster/core/rst_status.h"

namespace {

// What a contained exception says: a report of the raster library by its code.
std::string DescribeFailure(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const RstStatus& status) {
    return "Erro " + std::to_string(status.code()) + " da biblioteca de imagens.";
  } catch (...) {
    return std::string();
  }
}

}  // namespace

BOOL CDravixApp::InitInstance() {
  AfxEnableControlContainer();
  Enable3dControls();
  LoadStdProfileSettings(4);
  BuildIniPath(m_szIniPath);
  AfxSetExceptionDescriber(&DescribeFailure);
  MapCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });

  AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CDravixDoc), RUNTIME_CLASS(CMainFrame),
                                        RUNTIME_CLASS(CDravixView)));
  CCommandLineInfo cmdInfo;
  ParseCommandLine(cmdInfo);
  if (!ProcessShellCommand(cmdInfo)) return FALSE;

  // A hidden window would leave the driver waiting for ever: 0 shows normally.
  int show = dravix_settings::ReadWindowFlag(m_szIniPath);
  if (show == SW_HIDE) show = SW_SHOW;
  m_pMainWnd->ShowWindow(show);
  m_pMainWnd->UpdateWindow();
  return TRUE;
}

CDocument* CDravixApp::OpenDocumentFile(const char* path) { return CWinApp::OpenDocumentFile(path); }

void CDravixApp::OnAppAbout() {
  CAboutDlg aboutDlg;
  aboutDlg.DoModal();
}
