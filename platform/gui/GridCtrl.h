// CGridCtrl: a table of cells the user edits in place, one row per item. Each column has
// a kind: read-only text, editable text, a check box, or a list of choices. A change the
// user makes reaches the dialog as GN_CELLCHANGED; changes made through these calls raise
// nothing.
#pragma once

#include <vector>

#include "platform/gui/Wnd.h"

class wxWindow;
struct wxPoint;
struct wxSize;

// Notification code of a cell the user changed.
constexpr UINT GN_CELLCHANGED = 0x0F01;

struct GridColumn {
  enum class Kind { kReadOnly, kText, kCheck, kChoice };
  CString title;
  Kind kind = Kind::kText;
  std::vector<CString> choices;  // kChoice: the entries, the cell's text being one of them
};

class CGridCtrl : public CWnd {
 public:
  // Takes a cell still being edited into the table, so that what the user typed last
  // counts (before OK, say).
  void EndEdit();
  // Replaces the columns and drops every row.
  void SetColumns(const std::vector<GridColumn>& columns);
  void SetRowCount(int rows);
  int GetRowCount() const;

  CString GetCellText(int row, int column) const;
  void SetCellText(int row, int column, const CString& text);
  bool GetCheck(int row, int column) const;
  void SetCheck(int row, int column, bool on);
};

// The grid's toolkit window, for the dialog builder.
wxWindow* CreateGridWindow(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size);
