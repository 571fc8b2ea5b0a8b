// Replaying a page journal into a driver, one band at a time: every item that
// meets the band goes to the driver's hooked entry point with coordinates
// moved by the band origin and a clip object of its own clip within the band.
#pragma once

#include <map>
#include <memory>

#include "host/driver_table.h"
#include "host/journal.h"

namespace pkhost {

// Engine objects that live as long as one PDEV: brushes (realised once by the
// driver whatever the calls and bands) and font realisations.
class PdevObjects {
 public:
  explicit PdevObjects(SURFOBJ* target) : target_(target) {}
  PdevObjects(const PdevObjects&) = delete;
  PdevObjects& operator=(const PdevObjects&) = delete;
  ~PdevObjects();

  BRUSHOBJ* Brush(const BrushDesc& desc);  // null for a null brush or failure
  FONTOBJ* Font(const FontDesc& desc);     // null when the face cannot be opened

 private:
  SURFOBJ* target_;
  std::map<BrushDesc, BRUSHOBJ*> brushes_;
  std::map<BrushDesc, SURFOBJ*> patterns_;
  std::map<BrushDesc, XLATEOBJ*> patternXlates_;
  std::map<FontDesc, FONTOBJ*> fonts_;
};

struct BandTarget {
  SURFOBJ* pso = nullptr;
  FLONG hooks = 0;
  POINTL origin{0, 0};
  SIZEL size{0, 0};  // the device surface, placed at the origin
};

// Sends the items that meet the band. Failed calls and engine fallbacks go to
// the log's failures; items of unhooked kinds are skipped with a warning (once
// per kind and page, by the caller's `warned` set).
void ReplayBand(const Journal& journal, const BandTarget& band, const DriverTable& driver, PdevObjects& objects,
                RunLog& log, std::map<int, bool>& warned);

// The glyphs and extent of a text drawn with its top-left at `at` (the
// device's default text alignment); fills glyphs, bounds, opaque rectangle and
// underline and strike-out bars of the item.
bool LayoutText(JournalItem& item, POINTL at, FONTOBJ* font);

}  // namespace pkhost
