// Control bars of a frame: the toolbar (slots of buttons and separators,
// images from a bitmap strip, prompts for tooltips and fly-by texts) and the
// status bar (panes sized by their indicator strings).
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/afx_resources.h"
#include "platform/mfc/cdc.h"

class CFrameWnd;

class CControlBar : public CWnd {
 public:
  DWORD GetBarStyle() const { return m_dwStyle; }
  void SetBarStyle(DWORD style) { m_dwStyle = style; }
  void EnableDocking(DWORD style) { m_dwDockStyle = style; }
  DWORD m_dwStyle = 0;
  DWORD m_dwDockStyle = 0;
};

class CToolBar : public CControlBar {
 public:
  struct Slot {
    UINT id;  // ID_SEPARATOR for a separator
    int image;
    int width;                // of a separator
    CWnd* control = nullptr;  // a control placed over a separator
  };

  BOOL CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, CRect borders = CRect(), UINT nID = AFX_IDW_TOOLBAR);
  // Slots from a table and images from the bitmap of that id.
  BOOL LoadToolBar(UINT bitmapId, const AfxToolSlot* slots, int count);
  void SetSizes(CSize button, CSize image) {
    m_sizeButton = button;
    m_sizeImage = image;
  }
  int GetCount() const { return static_cast<int>(m_slots.size()); }
  UINT GetItemID(int index) const { return m_slots.at(static_cast<size_t>(index)).id; }
  // Turns a slot into a separator of the given width (for a control).
  void SetButtonInfo(int index, UINT id, UINT style, int widthOrImage);
  void GetItemRect(int index, LPRECT rect) const;
  // The toolbar's own painting is the back end's; this runs after it.
  virtual void OnPaint(CDC* dc);

  std::vector<Slot> m_slots;
  const AfxImage* m_images = nullptr;
  CSize m_sizeButton{23, 22};
  CSize m_sizeImage{16, 15};
};

class CStatusBar : public CControlBar {
 public:
  struct Pane {
    UINT id;
    UINT style;
    int width;  // in characters of its indicator string; 0 stretches
    std::string text;
  };
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT nID = AFX_IDW_STATUS_BAR);
  // Panes from indicator ids; a non-zero id's string gives text and width.
  BOOL SetIndicators(const UINT* ids, int count);
  void SetPaneInfo(int index, UINT id, UINT style, int width);
  void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
  BOOL SetPaneText(int index, const char* text, BOOL update = TRUE);
  std::string GetPaneText(int index) const;
  int GetCount() const { return static_cast<int>(m_panes.size()); }

  std::vector<Pane> m_panes;
};
