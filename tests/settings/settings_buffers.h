// Test buffers for the settings model: a WorkingDevMode and a printer settings
// block of exactly their sizes (so the address sanitizer sees any access
// beyond them) with byte-level poke and peek by block and offset.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "settings/devmode/devmode_layout.h"
#include "settings/access/setting_ids.h"

namespace pk::test {

struct SettingsBuffers {
  std::vector<BYTE> devMode = std::vector<BYTE>(kWorkingDevModeSize);
  std::vector<BYTE> settings = std::vector<BYTE>(kPrinterSettingsBlockSize);

  BYTE* At(SettingBlock block, size_t offset) {
    switch (block) {
      case kSettingBlockDevMode: return devMode.data() + offset;
      case kSettingBlockExtension: return devMode.data() + kDriverDevModeSize + offset;
      default: return settings.data() + offset;
    }
  }
  // Little-endian value of `width` bytes (1, 2 or 4).
  void Put(SettingBlock block, size_t offset, uint32_t value, size_t width) {
    std::memcpy(At(block, offset), &value, width);
  }
  uint32_t Get(SettingBlock block, size_t offset, size_t width) {
    uint32_t v = 0;
    std::memcpy(&v, At(block, offset), width);
    return v;
  }
  void PutText(SettingBlock block, size_t offset, const std::u16string& text) {
    std::memcpy(At(block, offset), text.c_str(), (text.size() + 1) * 2);
  }
  std::u16string GetText(SettingBlock block, size_t offset, size_t units) {
    std::u16string s(units, u'\0');
    std::memcpy(s.data(), At(block, offset), units * 2);
    return s.substr(0, s.find(u'\0'));
  }
};

// Reads a text through an address that may be odd.
inline std::u16string TextAt(const BYTE* p) {
  std::u16string s;
  for (;; p += 2) {
    char16_t c;
    std::memcpy(&c, p, 2);
    if (c == 0) return s;
    s.push_back(c);
  }
}

}  // namespace pk::test
