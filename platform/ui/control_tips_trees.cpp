// Tooltips (tools by window or id with their texts) and tree views (items
// inserted under a parent, deleted with their subtrees) without drawing.
#include <algorithm>

#include "platform/ui/user.h"
#include "platform/ui/win_common_controls.h"
#include "platform/ui/window_internal.h"
#include "platform/win/name_text.h"
#include "platform/win/win_resource.h"

namespace pk::ui {
namespace {

// A tool's text; a callback text (-1) is kept as empty.
std::u16string ToolText(LPCWSTR text) {
  if (!text || reinterpret_cast<intptr_t>(text) == -1 || IS_INTRESOURCE(text)) return u"";
  return std::u16string(pk::WideView(text));
}

bool SameTool(const Window::Tool& t, const TTTOOLINFOW* info) { return t.hwnd == info->hwnd && t.id == info->uId; }

}  // namespace

LRESULT ToolTipProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  auto* info = reinterpret_cast<TTTOOLINFOW*>(lp);
  switch (msg) {
    case TTM_ADDTOOLW:
      if (!info) return FALSE;
      w->tools.erase(std::remove_if(w->tools.begin(), w->tools.end(), [&](const auto& t) { return SameTool(t, info); }),
                     w->tools.end());
      w->tools.push_back({info->hwnd, info->uId, info->uFlags, ToolText(info->lpszText)});
      return TRUE;
    case TTM_DELTOOLW:
      if (info)
        w->tools.erase(
            std::remove_if(w->tools.begin(), w->tools.end(), [&](const auto& t) { return SameTool(t, info); }),
            w->tools.end());
      return 0;
    case TTM_UPDATETIPTEXTW:
      if (info)
        for (auto& t : w->tools)
          if (SameTool(t, info)) t.text = ToolText(info->lpszText);
      return 0;
    case TTM_GETTOOLCOUNT: return static_cast<LRESULT>(w->tools.size());
    case TTM_SETMAXTIPWIDTH: {
      int old = w->maxTipWidth;
      w->maxTipWidth = static_cast<int>(static_cast<LONG>(lp));
      return old;
    }
    case TTM_GETMAXTIPWIDTH: return w->maxTipWidth;
    case TTM_ACTIVATE: return 0;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

LRESULT TreeViewProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  auto& items = w->treeItems;
  switch (msg) {
    case TVM_INSERTITEMW: {
      auto* ins = reinterpret_cast<TVINSERTSTRUCTW*>(lp);
      if (!ins) return 0;
      uintptr_t parent = ins->hParent == TVI_ROOT || !ins->hParent ? 0 : reinterpret_cast<uintptr_t>(ins->hParent);
      if (parent && std::none_of(items.begin(), items.end(), [&](const auto& i) { return i.first == parent; }))
        return 0;
      Window::TreeItem item{parent, u"", 0};
      if (ins->itemex.mask & TVIF_TEXT) item.text = ToolText(ins->itemex.pszText);
      if (ins->itemex.mask & TVIF_PARAM) item.data = ins->itemex.lParam;
      // In walk order: after the parent's last descendant (TVI_LAST and the others).
      size_t at = items.size();
      if (parent) {
        auto p = std::find_if(items.begin(), items.end(), [&](const auto& i) { return i.first == parent; });
        at = static_cast<size_t>(p - items.begin()) + 1;
        auto descends = [&](uintptr_t id) {
          for (uintptr_t a = id; a;) {
            if (a == parent) return true;
            auto it = std::find_if(items.begin(), items.end(), [&](const auto& i) { return i.first == a; });
            a = it == items.end() ? 0 : it->second.parent;
          }
          return false;
        };
        while (at < items.size() && descends(items[at].second.parent)) ++at;
      }
      uintptr_t id = w->nextTreeItem++;
      items.insert(items.begin() + static_cast<long>(at), {id, std::move(item)});
      return static_cast<LRESULT>(id);
    }
    case TVM_DELETEITEM: {
      auto target = reinterpret_cast<HTREEITEM>(lp);
      if (target == TVI_ROOT || !target) {
        items.clear();
        return TRUE;
      }
      uintptr_t id = reinterpret_cast<uintptr_t>(target);
      std::vector<uintptr_t> gone{id};
      bool found = false;
      for (const auto& i : items) {
        if (i.first == id) found = true;
        if (std::find(gone.begin(), gone.end(), i.second.parent) != gone.end()) gone.push_back(i.first);
      }
      if (!found) return FALSE;
      items.erase(
          std::remove_if(items.begin(), items.end(),
                         [&](const auto& i) { return std::find(gone.begin(), gone.end(), i.first) != gone.end(); }),
          items.end());
      return TRUE;
    }
    case TVM_GETCOUNT: return static_cast<LRESULT>(items.size());
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

std::u16string TooltipText(HWND tooltip, HWND tool, UINT_PTR id) {
  Window* w = Find(tooltip);
  if (!w) return u"";
  for (const auto& t : w->tools)
    if ((t.flags & TTF_IDISHWND) ? t.id == reinterpret_cast<UINT_PTR>(tool) : (t.hwnd == tool && t.id == id))
      return t.text;
  return u"";
}

std::vector<TreeLine> TreeItems(HWND tree) {
  std::vector<TreeLine> out;
  Window* w = Find(tree);
  if (!w) return out;
  for (const auto& [id, item] : w->treeItems) {
    int depth = 0;
    for (uintptr_t p = item.parent; p; ++depth) {
      auto it = std::find_if(w->treeItems.begin(), w->treeItems.end(), [&](const auto& i) { return i.first == p; });
      p = it == w->treeItems.end() ? 0 : it->second.parent;
    }
    out.push_back({depth, item.text, item.data});
  }
  return out;
}

}  // namespace pk::ui
