// Bitmaps and icons of a module's resources: LoadBitmapW reads a packed DIB
// (RT_BITMAP), LoadIconW an icon group (RT_GROUP_ICON) and its 32 x 32 image
// (RT_ICON). Loaded icons are shared, one per module and name, as the
// platform's are.
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "platform/gdi/gdi_palette_icon.h"
#include "platform/ui/win_paint.h"
#include "platform/win/win_resource.h"

namespace {

constexpr WORD kGroupIcon = 14;
constexpr size_t kGroupHeader = 6, kGroupEntry = 14;

// The bytes of a resource, or none.
const BYTE* Bytes(HINSTANCE module, LPCWSTR name, LPCWSTR type, size_t* size) {
  HRSRC r = FindResourceW(module, name, type);
  if (!r) return nullptr;
  const void* data = LockResource(LoadResource(module, r));
  *size = SizeofResource(module, r);
  return static_cast<const BYTE*>(data);
}

WORD U16(const BYTE* p) { return WORD(p[0] | (p[1] << 8)); }

}  // namespace

extern "C" {

HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName) {
  size_t size = 0;
  const BYTE* data = Bytes(hInstance, lpBitmapName, RT_BITMAP, &size);
  return data ? pk::gdi::BitmapFromPackedDib(data, size) : nullptr;
}

HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
  size_t size = 0;
  const BYTE* group = Bytes(hInstance, lpIconName, MAKEINTRESOURCEW(kGroupIcon), &size);
  if (!group || size < kGroupHeader || U16(group) != 0 || U16(group + 2) != 1) return nullptr;
  const size_t count = U16(group + 4);
  if (count == 0 || count > (size - kGroupHeader) / kGroupEntry) return nullptr;
  // The 32 x 32 image, else the first.
  size_t pick = 0;
  for (size_t i = 0; i < count; ++i) {
    const BYTE* e = group + kGroupHeader + i * kGroupEntry;
    if (e[0] == 32 && e[1] == 32) {
      pick = i;
      break;
    }
  }
  const WORD id = U16(group + kGroupHeader + pick * kGroupEntry + 12);
  size_t imageSize = 0;
  const BYTE* image = Bytes(hInstance, MAKEINTRESOURCEW(id), RT_ICON, &imageSize);
  if (!image) return nullptr;
  // One shared icon per image: a module loaded again at the same address
  // may hold other bytes, so the bytes are the key.
  static auto* loaded = new std::map<std::vector<BYTE>, HICON>;
  std::vector<BYTE> key(image, image + imageSize);
  auto it = loaded->find(key);
  if (it != loaded->end()) return it->second;
  HICON icon = pk::gdi::IconFromImage(image, imageSize);
  if (!icon) return nullptr;
  pk::gdi::MarkIconShared(icon);
  (*loaded)[std::move(key)] = icon;
  return icon;
}

}  // extern "C"
