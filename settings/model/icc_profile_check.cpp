// Checking the header of a file chosen as colour profile.
#include <cstring>

#include "platform/win/crt_io.h"
#include "settings/model/color_adjust.h"

namespace {

constexpr unsigned kIccHeaderBytes = 132;
constexpr size_t kDeviceClass = 12;
constexpr size_t kColourSpace = 16;
constexpr size_t kConnectionSpace = 20;
constexpr size_t kSignature = 36;

bool Is(const char* header, size_t offset, const char* text) { return memcmp(header + offset, text, 4) == 0; }

// The profile the driver can use: an RGB display or scanner profile whose
// connection space is XYZ or Lab.
int CheckHeader(const char* h) {
  if (!Is(h, kSignature, "acsp")) return -5;
  if (!Is(h, kColourSpace, "RGB ")) return -6;
  if (!Is(h, kConnectionSpace, "XYZ ") && !Is(h, kConnectionSpace, "Lab ")) return -7;
  if (!Is(h, kDeviceClass, "mntr") && !Is(h, kDeviceClass, "scnr")) return -6;
  return 0;
}

}  // namespace

int CheckIccProfileFile(const char* path) {
  if (!path) return -1;
  int fd = _open(path, _O_RDONLY | _O_BINARY);
  if (fd == -1) return -2;
  char header[kIccHeaderBytes];
  int read = _read(fd, header, kIccHeaderBytes);
  int result = read == static_cast<int>(kIccHeaderBytes) ? CheckHeader(header) : -3;
  if (_close(fd) != 0 && result == 0) result = -4;
  return result;
}
