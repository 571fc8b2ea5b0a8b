// Dialog data exchange and validation: between a dialog's control state and
// its members. A failed check shows the layer's message, puts the focus on
// the control and ends the exchange (UpdateData answers FALSE).
#pragma once

#include <string>

#include "platform/mfc/cdialog.h"

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL save) : m_pDlgWnd(dialog), m_bSaveAndValidate(save) {}
  // Names the control the next checks are about.
  void PrepareCtrl(int id) { m_idLastControl = id; }
  void PrepareEditCtrl(int id) { m_idLastControl = id; }
  // Focus on the last control and end the exchange.
  [[noreturn]] void Fail();

  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
  int m_idLastControl = 0;
};

// The index of the checked button of the radio group that starts at `id`
// (-1 when none); loading checks button `value`.
void DDX_Radio(CDataExchange* pDX, int id, int& value);
// Unsigned decimal; a text that is no such number fails.
void DDX_Text(CDataExchange* pDX, int id, UINT& value);
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// The range check of the last control; the message names both limits.
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
// A text length limit of the last control.
void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int count);
