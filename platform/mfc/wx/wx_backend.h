// The wxWidgets 3.2 back end: a wxFrame with menu bar, accelerator table,
// toolbar (the combo box as a control in its slot), status bar and a
// scrolled view that paints the page bitmap; modal dialogs built from the
// dialog tables. The layer's state stays the truth; these windows show it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pk::mfc {

// Starts wxWidgets for this process, sets the back end, runs `body` (the
// application's AfxWinMain) and ends wxWidgets; its answer is body's. With
// no display it prints one line to standard error and answers 0 without
// running body.
int RunWithWx(int argc, char** argv, const std::function<int()>& body);

}  // namespace pk::mfc
