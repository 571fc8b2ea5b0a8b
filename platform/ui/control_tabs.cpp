// Tab controls: the tabs are the record's lines (text and item data), the
// selected tab its selection.
#include <algorithm>

#include "platform/ui/win_common_controls.h"
#include "platform/ui/window_internal.h"

namespace pk::ui {

LRESULT TabProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  int count = static_cast<int>(w->lines.size());
  auto* item = reinterpret_cast<TCITEMW*>(lp);
  switch (msg) {
    case TCM_GETITEMCOUNT: return count;
    case TCM_INSERTITEMW: {
      if (!item) return -1;
      int at = std::min(static_cast<int>(wp), count);
      if (static_cast<int>(wp) < 0) return -1;
      ListLine line;
      if ((item->mask & TCIF_TEXT) && item->pszText) line.text = ListText(item->pszText);
      if (item->mask & TCIF_PARAM) line.data = item->lParam;
      w->lines.insert(w->lines.begin() + at, std::move(line));
      if (w->selection < 0) w->selection = 0;
      else if (w->selection >= at) ++w->selection;
      return at;
    }
    case TCM_GETITEMW: {
      if (!item || wp >= static_cast<WPARAM>(count)) return FALSE;
      const ListLine& line = w->lines[wp];
      if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        size_t n = std::min(line.text.size(), static_cast<size_t>(item->cchTextMax - 1));
        std::copy_n(line.text.data(), n, item->pszText);
        item->pszText[n] = 0;
      }
      if (item->mask & TCIF_PARAM) item->lParam = line.data;
      return TRUE;
    }
    case TCM_SETITEMW:
      if (!item || wp >= static_cast<WPARAM>(count)) return FALSE;
      if ((item->mask & TCIF_TEXT) && item->pszText) w->lines[wp].text = ListText(item->pszText);
      if (item->mask & TCIF_PARAM) w->lines[wp].data = item->lParam;
      return TRUE;
    case TCM_DELETEITEM:
      if (wp >= static_cast<WPARAM>(count)) return FALSE;
      w->lines.erase(w->lines.begin() + static_cast<long>(wp));
      if (w->selection == static_cast<int>(wp)) w->selection = -1;
      else if (w->selection > static_cast<int>(wp)) --w->selection;
      return TRUE;
    case TCM_DELETEALLITEMS:
      w->lines.clear();
      w->selection = -1;
      return TRUE;
    case TCM_GETCURSEL: return w->selection;
    case TCM_SETCURSEL: {
      if (wp >= static_cast<WPARAM>(count)) return -1;
      int old = w->selection;
      w->selection = static_cast<int>(wp);
      return old;
    }
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace pk::ui
