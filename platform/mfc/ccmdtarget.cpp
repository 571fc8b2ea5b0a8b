// Command maps of command targets (see ccmdtarget.h).
#include "platform/mfc/ccmdtarget.h"

void CCmdTarget::AddEntry(UINT first, UINT last, int code, std::function<void()> handler) {
  entries_.push_back({first, last, code, [h = std::move(handler)](UINT) { h(); }, nullptr});
}

void CCmdTarget::MapCommandRange(UINT first, UINT last, std::function<void(UINT)> handler) {
  entries_.push_back({first, last, CN_COMMAND, std::move(handler), nullptr});
}

void CCmdTarget::MapUpdate(UINT id, std::function<void(CCmdUI*)> rule) {
  entries_.push_back({id, id, CN_UPDATE_COMMAND_UI, nullptr, std::move(rule)});
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, CCmdUI* ui) {
  for (const Entry& e : entries_) {
    if (id < e.first || id > e.last || e.code != code) continue;
    if (code == CN_UPDATE_COMMAND_UI) {
      if (!ui) return FALSE;
      e.rule(ui);
    } else if (!ui) {
      e.handler(id);
    }
    // A command asked with `ui` set is only a probe for a handler.
    return TRUE;
  }
  return FALSE;
}
