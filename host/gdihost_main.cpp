// gdihost: prints a document (or the built-in test page) through a printer's
// graphics driver and interface library, as GDI and the spooler would.
#include "host/host_cli.h"

int main(int argc, char** argv) { return pkhost::RunHostMain(argc, argv); }
