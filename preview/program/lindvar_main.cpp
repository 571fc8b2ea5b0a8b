// Lindvar, the preview program: shows the job file named on the command
// line and ends with 1 when the user starts printing, 0 otherwise.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/wx/wx_backend.h"
#include "platform/win/win_path.h"
#include "preview/dravix_app.h"
#include "preview/dravix_doc.h"
#include "preview/preview_guard.h"
#include "preview/window/lindvar_resources.h"
#include "raster/color/rst_color_creators.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/mrc/rst_mrc_creators.h"

namespace {

// The paint trace's part of the program: page, percent, mode and angle.
std::string DescribeShownPage() {
  CSingleDocTemplate* tmpl = theApp.GetDocTemplate();
  auto* doc = tmpl ? dynamic_cast<CDravixDoc*>(tmpl->GetDocument()) : nullptr;
  if (!doc) return "0 0 0 0";
  return std::to_string(doc->GetCurrentPage()) + ' ' + std::to_string(doc->GetZoomPercent()) + ' ' +
         std::to_string(doc->GetZoomMode()) + ' ' + std::to_string(doc->GetRotation());
}

}  // namespace

int main(int argc, char** argv) {
  // The driver hands over a host path; the settings file stays in the root.
  PkSetHostPathMode(TRUE);
  rst_register_color_creators();
  rst_register_geometry_creators();
  rst_register_mrc_creators();
  AfxSetResources(LindvarResources());
  if (const char* trace = std::getenv("LINDVAR_PAINT_TRACE")) AfxSetPaintTrace(trace, &DescribeShownPage);
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunPreviewGuarded(theApp, [&] { return pk::mfc::RunWithWx(argc, argv, [&] { return AfxWinMain(args); }); });
}
