#include "ui/ColumnsDlg.h"

#include <algorithm>
#include <map>

#include <wx/filedlg.h>

#include "engine/plan/ColumnRecipe.h"
#include "platform/core/Formatted.h"
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/WxText.h"
#include "ui/ColumnsTexts.h"

void RegisterColumnsDialog();

namespace {

enum Cell { kKeep, kName, kOutputName, kType, kEmpty };

// The user's path from a file dialog, empty when none was chosen.
CString AskRecipePath(CWnd& owner, bool save) {
  const long style = save ? wxFD_SAVE | wxFD_OVERWRITE_PROMPT : wxFD_OPEN | wxFD_FILE_MUST_EXIST;
  wxFileDialog dialog(owner.GetClientWindow(), wxFileSelectorPromptStr, wxEmptyString,
                      wxEmptyString, AfxFilterToWildcard(kRecipeFilter), style);
  if (dialog.ShowModal() != wxID_OK)
    return {};
  CString path = FromWx(dialog.GetPath());
  if (save && !path.View().ends_with(CString(u".") + kRecipeExtension))
    path += CString(u".") + kRecipeExtension;
  return path;
}

CString Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names)
    text.append(text.empty() ? "" : ", ").append(name);
  return CString::FromUtf8(text);
}

}  // namespace

CColumnsDlg::CColumnsDlg(CWnd* parent, std::vector<std::string> names, const ColumnRecipe& recipe,
                         ColumnType defaultType)
    : CSmDialog(IDD_COLUMNS_DIALOG, parent),
      m_names(std::move(names)),
      m_rows(RowsOfRecipe(m_names, recipe, defaultType)),
      m_defaultType(defaultType) {
  RegisterColumnsDialog();
}

BEGIN_MESSAGE_MAP(CColumnsDlg, CSmDialog)
ON_CONTROL(GN_CELLCHANGED, IDC_COLUMNS_GRID, OnCellChanged)
ON_BN_CLICKED(IDC_OPEN_RECIPE, OnOpen)
ON_BN_CLICKED(IDC_SAVE_RECIPE, OnSave)
END_MESSAGE_MAP()

void CColumnsDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_COLUMNS_GRID, m_grid);
  CSmDialog::DoDataExchange(pDX);
}

BOOL CColumnsDlg::OnInitDialog() {
  CSmDialog::OnInitDialog();
  m_grid.SetColumns({{kKeepTitle, GridColumn::Kind::kCheck, {}},
                     {kNameTitle, GridColumn::Kind::kReadOnly, {}},
                     {kOutputNameTitle, GridColumn::Kind::kText, {}},
                     {kTypeTitle, GridColumn::Kind::kChoice, TypeLabels()},
                     {kEmptyTitle, GridColumn::Kind::kChoice, EmptyLabels()}});
  ShowRows();
  AddControl(IDC_COLUMNS_GRID, RZ_GROW_BOTH, SPLIT_NONE);
  AddControl(IDC_OPEN_RECIPE, RZ_MOVE_DOWN, SPLIT_NONE);
  AddControl(IDC_SAVE_RECIPE, RZ_MOVE_DOWN, SPLIT_NONE);
  AddControl(IDOK, RZ_MOVE_RIGHT_DOWN, SPLIT_NONE);
  AddControl(IDCANCEL, RZ_MOVE_RIGHT_DOWN, SPLIT_NONE);
  SetMinSizes(0, 0);
  return TRUE;
}

void CColumnsDlg::ShowRows() {
  m_grid.SetRowCount(0);
  m_grid.SetRowCount(static_cast<int>(m_rows.size()));
  for (int row = 0; row < static_cast<int>(m_rows.size()); ++row) {
    const ColumnRow& column = m_rows[static_cast<std::size_t>(row)];
    m_grid.SetCheck(row, kKeep, column.keep);
    m_grid.SetCellText(row, kName, CString::FromUtf8(column.name));
    m_grid.SetCellText(row, kOutputName, CString::FromUtf8(column.as));
    m_grid.SetCellText(row, kType, TypeLabel(column.type));
    m_grid.SetCellText(row, kEmpty, EmptyLabel(column.empty));
  }
  m_grid.SetRowCount(static_cast<int>(m_rows.size()));  // sizes the columns to the texts
}

void CColumnsDlg::ReadRows() {
  for (int row = 0; row < static_cast<int>(m_rows.size()); ++row) {
    ColumnRow& column = m_rows[static_cast<std::size_t>(row)];
    column.keep = m_grid.GetCheck(row, kKeep);
    column.as = m_grid.GetCellText(row, kOutputName).ToUtf8();
    column.type = TypeOfLabel(m_grid.GetCellText(row, kType));
    column.empty = EmptyOfLabel(m_grid.GetCellText(row, kEmpty));
  }
}

void CColumnsDlg::OnCellChanged() {
  ReadRows();
  if (m_changed)
    m_changed(Recipe());
}

bool CColumnsDlg::OutputNamesDiffer() {
  std::map<std::string, const ColumnRow*> kept;
  for (const ColumnRow& row : m_rows) {
    if (!row.keep)
      continue;
    const auto [at, added] = kept.emplace(row.as, &row);
    if (!added) {
      MessageBox(Formatted(kSameOutputName, CString::FromUtf8(row.as).GetString(),
                           CString::FromUtf8(at->second->name).GetString(),
                           CString::FromUtf8(row.name).GetString()),
                 kErrorCaption, MB_ICONERROR);
      return false;
    }
  }
  return true;
}

void CColumnsDlg::OnOK() {
  m_grid.EndEdit();
  ReadRows();
  if (OutputNamesDiffer())
    CDialog::OnOK();
}

bool CColumnsDlg::OpenRecipe(const CString& path) {
  std::string error;
  std::vector<ColumnChoice> columns = ReadRecipeFile(path.ToUtf8(), error);
  if (!error.empty()) {
    MessageBox(Formatted(kRecipeNotRead, path.GetString(), CString::FromUtf8(error).GetString()),
               kErrorCaption, MB_ICONERROR);
    return false;
  }
  ColumnRecipe recipe;
  recipe.listed = true;
  recipe.columns = std::move(columns);
  std::vector<std::string> missing;
  m_rows = RowsOfRecipe(m_names, recipe, m_defaultType, &missing);
  ShowRows();
  if (m_changed)
    m_changed(Recipe());
  if (!missing.empty())
    MessageBox(Formatted(kRecipeColumnsMissing, path.GetString(), Joined(missing).GetString()),
               kErrorCaption, MB_ICONWARNING);
  return true;
}

bool CColumnsDlg::SaveRecipe(const CString& path) {
  m_grid.EndEdit();
  ReadRows();
  const CString failure = WriteRecipeFile(path, ChoicesOfRows(m_rows));
  if (!failure.IsEmpty()) {
    MessageBox(Formatted(kRecipeNotWritten, path.GetString(), failure.GetString()), kErrorCaption,
               MB_ICONERROR);
    return false;
  }
  return true;
}

void CColumnsDlg::OnOpen() {
  if (const CString path = AskRecipePath(*this, false); !path.IsEmpty())
    OpenRecipe(path);
}

void CColumnsDlg::OnSave() {
  if (const CString path = AskRecipePath(*this, true); !path.IsEmpty())
    SaveRecipe(path);
}
