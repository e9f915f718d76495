// Data exchange: DoDataExchange binds controls to members with DDX_Control.
#pragma once

#include "platform/gui/WinTypes.h"

class CWnd;
class CDialog;

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate)
      : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Binds control id of the dialog to the member; the member then reads and changes that
// control. Throws std::runtime_error when the dialog has no such control.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
