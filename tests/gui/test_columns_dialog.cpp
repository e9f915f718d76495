// The Columns dialog driven in the real window: its table edited through the grid's own
// cell editors, its choices reaching Convert and the preview, recipe files saved and
// opened, and the columns chosen for a header coming back in a new window. What a recipe
// does to the rows is the engine's own test.
#include <filesystem>

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/grid.h>
#include <wx/textctrl.h>

#include "platform/core/Formatted.h"
#include "tests/gui/MainWindowFixture.h"
#include "ui/ColumnsDlg.h"
#include "ui/ColumnsTexts.h"

namespace {

enum Cell { kKeep, kName, kOutputName, kType, kEmpty };

// Tab-separated, as the window reads a source at first.
const std::string kZipCodes = "zip\tcity\tn\n00501\tHoltsville\t1\n90210\tBeverly Hills\t\n";

wxGrid* GridOf(CDialog* dialog) {
  return dynamic_cast<wxGrid*>(dialog->GetDlgItem(IDC_COLUMNS_GRID)->GetWxWindow());
}

// Changes a cell as the user does: the cell's editor opened, its control set, the edit
// ended (which sends the grid's change event).
void EditCell(CDialog* dialog, int row, int column, const wxString& value) {
  wxGrid* grid = GridOf(dialog);
  ASSERT_NE(grid, nullptr);
  grid->SetGridCursor(row, column);
  grid->EnableCellEditControl();
  ASSERT_TRUE(grid->IsCellEditControlEnabled()) << row << "," << column;
  wxGridCellEditor* editor = grid->GetCellEditor(row, column);
  wxWindow* control = editor->GetWindow();
  if (auto* check = dynamic_cast<wxCheckBox*>(control)) {
    check->SetValue(value == "1");
  } else if (auto* list = dynamic_cast<wxComboBox*>(control)) {
    ASSERT_TRUE(list->SetStringSelection(value)) << value;
  } else if (auto* text = dynamic_cast<wxTextCtrl*>(control)) {
    text->SetValue(value);
  } else {
    ADD_FAILURE() << "no editor for " << row << "," << column;
  }
  editor->DecRef();
  grid->SaveEditControlValue();
  grid->DisableCellEditControl();
}

class ColumnsTest : public MainWindowTest {
 protected:
  // Opens the window on a source holding text.
  void OpenOn(const std::string& text, const std::string& name = "in.txt") {
    Open();
    SetText(IDC_TARGET_FILE, dir.WFile("out.json"));
    SetText(IDC_SOURCE_FILE, Source(name, text));
  }
  // Opens the Columns dialog, lets act work in it, then ends it with result.
  void WithColumns(const std::function<void(CColumnsDlg&)>& act, int result = IDOK) {
    bool opened = false;
    ModalDialogRecorder recorder(result, [&](CDialog* dialog) {
      auto* columns = dynamic_cast<CColumnsDlg*>(dialog);
      opened = columns != nullptr;
      if (opened)
        act(*columns);
    });
    PressButton(*dlg, IDC_COLUMNS);
    EXPECT_TRUE(opened);
  }
  // The table's rows the dialog shows when it opens now.
  std::vector<ColumnRow> RowsShown() {
    std::vector<ColumnRow> rows;
    WithColumns([&](CColumnsDlg& columns) { rows = columns.Rows(); }, IDCANCEL);
    return rows;
  }
};

// Keep, output name and type chosen in the table: OK gives Convert and the preview that
// plan, and while the dialog is open the preview follows each change.
TEST_F(ColumnsTest, TheTableChosenIsWhatConvertWritesAndThePreviewShows) {
  OpenOn(kZipCodes);
  WithColumns([&](CColumnsDlg& columns) {
    EditCell(&columns, 0, kOutputName, "postcode");
    const std::string page = ShownPage(dlg->PreviewFile());
    EXPECT_NE(page.find("<th>postcode</th>"), std::string::npos) << page;
    EditCell(&columns, 1, kKeep, "");
    EditCell(&columns, 2, kType, "Integer");
    EditCell(&columns, 2, kEmpty, "Null");
  });
  const std::string page = ShownPage(dlg->PreviewFile());
  EXPECT_EQ(page.find("Holtsville"), std::string::npos) << page;
  EXPECT_NE(page.find("integer"), std::string::npos) << page;

  PressButton(*dlg, IDC_CONVERT);
  EXPECT_EQ(ReadBytesFromFile(dir.File("out.json")),
            "[\n  {\n    \"postcode\": \"00501\",\n    \"n\": 1\n  },\n"
            "  {\n    \"postcode\": \"90210\",\n    \"n\": null\n  }\n]\n");
}

// A column the table gives the default type follows Typed values, checked after the
// table was chosen.
TEST_F(ColumnsTest, TypedValuesStillTypeTheColumnsGivenNoType) {
  OpenOn(kZipCodes);
  WithColumns([&](CColumnsDlg& columns) { EditCell(&columns, 0, kOutputName, "postcode"); });
  dlg->CheckDlgButton(IDC_TYPED_VALUES, BST_CHECKED);
  Command(MAKEWPARAM(IDC_TYPED_VALUES, BN_CLICKED));
  PressButton(*dlg, IDC_CONVERT);
  EXPECT_EQ(
      ReadBytesFromFile(dir.File("out.json")),
      "[\n  {\n    \"postcode\": \"00501\",\n    \"city\": \"Holtsville\",\n    \"n\": 1\n  },\n"
      "  {\n    \"postcode\": \"90210\",\n    \"city\": \"Beverly Hills\",\n    \"n\": \"\"\n"
      "  }\n]\n");
}

// Two kept columns under one output name: OK says which and leaves the dialog open.
TEST_F(ColumnsTest, OkRefusesTwoColumnsOfOneOutputName) {
  OpenOn(kZipCodes);
  WithColumns([&](CColumnsDlg& columns) {
    EditCell(&columns, 1, kOutputName, "zip");
    columns.SendCommand(IDOK, BN_CLICKED);
    EXPECT_EQ(Boxes().size(), 1u);
    EditCell(&columns, 1, kOutputName, "town");
    columns.SendCommand(IDOK, BN_CLICKED);
  });
  EXPECT_EQ(RowsShown()[1].as, "town");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, Formatted(kSameOutputName, u"zip", u"zip", u"city"));
}

}  // namespace
