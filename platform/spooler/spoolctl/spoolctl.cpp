// spoolctl: lists and changes the spooler's state of a machine root.
#include <cstdio>

int main() {
  std::fprintf(stderr, "spoolctl: not built yet\n");
  return 2;
}
