// gdihost's command line over the host library.
#pragma once

#include <iostream>
#include <string>
#include <vector>

namespace pkhost {

constexpr int kExitPrinted = 0;
constexpr int kExitPrintedWithProblems = 1;
constexpr int kExitUsage = 2;
constexpr int kExitBadDocument = 3;
constexpr int kExitNotSetUp = 4;
constexpr int kExitJobFailed = 5;

// Runs the program's arguments (without the program name); progress lines
// go to `err` only when it is a terminal.
int RunHost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool stderrIsTerminal);
int RunHostMain(int argc, char** argv);

}  // namespace pkhost
