#include "platform/gui/GridCtrl.h"

#include <wx/grid.h>

#include "platform/gui/WxText.h"

namespace {

// The check box's cell holds one of two texts; any other reads as unchecked.
constexpr const char* kChecked = "1";

wxGrid* GridOf(const CWnd& wnd) {
  return dynamic_cast<wxGrid*>(wnd.GetWxWindow());
}

bool InRange(const wxGrid& grid, int row, int column) {
  return row >= 0 && column >= 0 && row < grid.GetNumberRows() && column < grid.GetNumberCols();
}

wxGridCellAttr* AttrOf(const GridColumn& column) {
  auto* attr = new wxGridCellAttr;
  switch (column.kind) {
    case GridColumn::Kind::kReadOnly:
      attr->SetReadOnly();
      break;
    case GridColumn::Kind::kText:
      break;
    case GridColumn::Kind::kCheck: {
      auto* editor = new wxGridCellBoolEditor;
      editor->UseStringValues(kChecked, "");
      attr->SetEditor(editor);
      attr->SetRenderer(new wxGridCellBoolRenderer);
      attr->SetAlignment(wxALIGN_CENTRE, wxALIGN_CENTRE);
      break;
    }
    case GridColumn::Kind::kChoice: {
      wxArrayString choices;
      for (const CString& choice : column.choices) {
        choices.Add(ToWx(choice));
      }
      attr->SetEditor(new wxGridCellChoiceEditor(choices));
      break;
    }
  }
  return attr;
}

}  // namespace

wxWindow* CreateGridWindow(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size) {
  auto* grid = new wxGrid(parent, id, pos, size, wxWANTS_CHARS | wxBORDER_SUNKEN);
  grid->CreateGrid(0, 0, wxGrid::wxGridSelectRows);
  grid->HideRowLabels();
  grid->DisableDragRowSize();
  grid->SetColLabelAlignment(wxALIGN_LEFT, wxALIGN_CENTRE);
  return grid;
}

void CGridCtrl::EndEdit() {
  wxGrid* grid = GridOf(*this);
  if (grid != nullptr && grid->IsCellEditControlEnabled()) {
    // Raises GN_CELLCHANGED when the text differs, as the user's own end of the edit does.
    grid->SaveEditControlValue();
    grid->DisableCellEditControl();
  }
}

void CGridCtrl::SetColumns(const std::vector<GridColumn>& columns) {
  wxGrid* grid = GridOf(*this);
  if (grid == nullptr) {
    return;
  }
  grid->ClearGrid();
  if (grid->GetNumberRows() > 0) {
    grid->DeleteRows(0, grid->GetNumberRows());
  }
  if (grid->GetNumberCols() > 0) {
    grid->DeleteCols(0, grid->GetNumberCols());
  }
  grid->AppendCols(static_cast<int>(columns.size()));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int column = static_cast<int>(i);
    grid->SetColLabelValue(column, ToWx(columns[i].title));
    grid->SetColAttr(column, AttrOf(columns[i]));
  }
}

void CGridCtrl::SetRowCount(int rows) {
  wxGrid* grid = GridOf(*this);
  if (grid == nullptr) {
    return;
  }
  const int now = grid->GetNumberRows();
  if (rows > now) {
    grid->AppendRows(rows - now);
  } else if (rows < now) {
    grid->DeleteRows(rows, now - rows);
  }
  grid->AutoSizeColumns(false);
}

int CGridCtrl::GetRowCount() const {
  wxGrid* grid = GridOf(*this);
  return grid != nullptr ? grid->GetNumberRows() : 0;
}

CString CGridCtrl::GetCellText(int row, int column) const {
  wxGrid* grid = GridOf(*this);
  if (grid == nullptr || !InRange(*grid, row, column)) {
    return {};
  }
  return FromWx(grid->GetCellValue(row, column));
}

void CGridCtrl::SetCellText(int row, int column, const CString& text) {
  wxGrid* grid = GridOf(*this);
  if (grid != nullptr && InRange(*grid, row, column)) {
    grid->SetCellValue(row, column, ToWx(text));
  }
}

bool CGridCtrl::GetCheck(int row, int column) const {
  return GetCellText(row, column) == CString(u"1");
}

void CGridCtrl::SetCheck(int row, int column, bool on) {
  SetCellText(row, column, on ? CString(u"1") : CString());
}
