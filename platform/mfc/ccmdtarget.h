// Command targets: objects that handle commands and update rules by id. A
// handler or rule is registered at construction; routing asks targets in
// order and the first one that has an entry for the id wins.
#pragma once

#include <functional>
#include <vector>

#include "platform/win/win_types.h"

#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI (-1)

// The enable and check state an update rule sets for one id.
class CCmdUI {
 public:
  explicit CCmdUI(UINT id) : m_nID(id) {}
  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL bOn = TRUE) {
    m_bEnabled = bOn;
    m_bEnableChanged = TRUE;
  }
  virtual void SetCheck(int nCheck = 1) { m_nCheck = nCheck; }

  UINT m_nID;
  BOOL m_bEnabled = TRUE;
  BOOL m_bEnableChanged = FALSE;
  int m_nCheck = 0;
};

class CCmdTarget {
 public:
  CCmdTarget() = default;
  virtual ~CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;

  // Runs this target's handler (code CN_COMMAND or a control notification)
  // or update rule (CN_UPDATE_COMMAND_UI, `ui` set) for `id`; FALSE when it
  // has none. CN_COMMAND with `ui` set only asks whether a handler exists.
  // Windows extend this to route further.
  virtual BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui);

 protected:
  // Entries of the command map.
  void MapCommand(UINT id, std::function<void()> handler) { AddEntry(id, id, CN_COMMAND, std::move(handler)); }
  void MapCommandRange(UINT first, UINT last, std::function<void(UINT)> handler);
  void MapNotify(UINT id, int code, std::function<void()> handler) { AddEntry(id, id, code, std::move(handler)); }
  void MapUpdate(UINT id, std::function<void(CCmdUI*)> rule);

 private:
  struct Entry {
    UINT first, last;
    int code;
    std::function<void(UINT)> handler;
    std::function<void(CCmdUI*)> rule;
  };
  void AddEntry(UINT first, UINT last, int code, std::function<void()> handler);
  std::vector<Entry> entries_;
};
