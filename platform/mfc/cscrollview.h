// A scrolling view: the window side of a view. The back end scrolls and
// paints; the view sets its scroll sizes, draws at the scroll origin and
// takes dropped files.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/cdc.h"
#include "platform/mfc/cview.h"
#include "platform/mfc/cwnd.h"

class CFrameWnd;
using HDROP = const std::vector<std::string>*;

class CScrollView : public CView, public CWnd {
 public:
  static inline const CSize sizeDefault{0, 0};

  void SetScrollSizes(int mapMode, CSize total, const CSize& page = sizeDefault, const CSize& line = sizeDefault);
  CSize GetTotalSize() const { return m_totalLog; }
  POINT GetScrollPosition() const { return m_ptScroll; }
  // Back end: the user scrolled; clamped to the scroll range.
  void ScrollToPosition(POINT pt);
  CFrameWnd* GetParentFrame() const { return m_pFrame; }

  // The framework's paint: erase, prepare the origin, draw. The back end
  // calls it with a context on the part to paint.
  void Paint(AfxSurface* surface);
  virtual BOOL OnEraseBkgnd(CDC* dc);
  virtual void OnPrepareDC(CDC* dc);
  virtual void OnDraw(CDC* dc) = 0;
  virtual void OnInitialUpdate();
  void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) override;
  // Files dropped on the view; the default does nothing.
  virtual void OnDropFiles(HDROP drop);
  // A context menu at the pointer: the frame's commands without menu item,
  // button or key.
  virtual void OnContextMenu(POINT pt);
  // Routing of a view: itself, then its document.
  BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
  BOOL IsAcceptingFiles() const { return m_bAcceptFiles; }

  CFrameWnd* m_pFrame = nullptr;
  int m_nMapMode = 0;
  CSize m_totalLog{0, 0};
  CSize m_pageDev{0, 0};
  CSize m_lineDev{0, 0};
  POINT m_ptScroll{0, 0};
};

// Path of dropped file `index` of a drop; with index 0xFFFFFFFF the count.
// A null buffer asks for the path's length; otherwise the answer is the
// length copied (cut to size - 1, terminated).
using HDROP = const std::vector<std::string>*;
UINT DragQueryFileA(HDROP drop, UINT index, char* buffer, UINT size);
