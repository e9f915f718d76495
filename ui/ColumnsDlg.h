// CColumnsDlg: the Columns dialog: one row per column of the source's header (keep, name,
// output name, type, empty values) in the output's order, OK and Cancel, and recipe files
// saved and opened. Every change the user makes is handed on at once, so the window's
// preview follows the table while the dialog is open.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "libs/dlgframe/SmDialog.h"
#include "platform/gui/GridCtrl.h"
#include "ui/ColumnRows.h"

constexpr UINT IDD_COLUMNS_DIALOG = 140;
constexpr int IDC_COLUMNS_GRID = 1100;
constexpr int IDC_OPEN_RECIPE = 1101;
constexpr int IDC_SAVE_RECIPE = 1102;

class CColumnsDlg : public CSmDialog {
 public:
  // names: the source's columns as the output names them; recipe: the one the window
  // holds for them; a column given no type has defaultType.
  CColumnsDlg(CWnd* parent, std::vector<std::string> names, const ColumnRecipe& recipe,
              ColumnType defaultType);

  // Called with the table's recipe after every change the user makes.
  void OnRecipeChanged(std::function<void(const ColumnRecipe&)> changed) {
    m_changed = std::move(changed);
  }
  // The recipe the table shows.
  ColumnRecipe Recipe() const { return RecipeOfRows(m_names, m_rows, m_defaultType); }
  const std::vector<ColumnRow>& Rows() const { return m_rows; }

  // Shows the recipe file's columns; a column it names that the source lacks is told in a
  // box naming the file and the column. False, after a box saying why, when it can't be read.
  bool OpenRecipe(const CString& path);
  // Writes the table as a recipe file, replacing a former one whole; false after a box
  // saying why it could not be written.
  bool SaveRecipe(const CString& path);

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  void OnCellChanged();
  void OnOpen();
  void OnSave();

  DECLARE_MESSAGE_MAP()

 private:
  void ShowRows();
  void ReadRows();
  // A box for two kept columns of one output name; false then.
  bool OutputNamesDiffer();

  std::vector<std::string> m_names;
  std::vector<ColumnRow> m_rows;
  ColumnType m_defaultType;
  CGridCtrl m_grid;
  std::function<void(const ColumnRecipe&)> m_changed;
};
