// CCorvaneDlg: the converter's main window, built from dialog template 102 with menu 131.
// It restores the saved inputs when it opens, previews the first rows of the source
// whenever the source, the separator, the encoding or a check box changes, converts on Convert and
// reports the result, routes the menu's commands and saves the inputs when it is closed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/conversion/ConversionRequest.h"
#include "libs/dlgframe/AboutDlg.h"
#include "libs/dlgframe/HistCBox.h"
#include "libs/dlgframe/SmDialog.h"
#include "libs/dlgframe/WebBrowser2.h"
#include "platform/gui/EditBrowseCtrl.h"
#include "platform/gui/FileWatch.h"
#include "platform/gui/MFCButton.h"
#include "ui/MainWindowSettings.h"
#include "ui/PreviewPager.h"
#include "ui/RememberedPlans.h"

class CCorvaneDlg : public CSmDialog {
 public:
  // parent is not used: the main window has none.
  explicit CCorvaneDlg(CWnd* parent = nullptr);
  ~CCorvaneDlg() override;

  // The values the window restores when it opens and saves when it is closed; the
  // application hands them over before the window runs. Without them nothing is kept.
  void UseSettings(CMainWindowSettings* settings) { m_settings = settings; }
  // The source the window opens with in place of the saved one (a file it was started
  // with); the other inputs are restored as saved.
  void OpenWith(const CString& source) { m_openWith = source; }

  // Deletes the latest preview's page, then does the library's deactivation.
  void Deactivate() override;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnCancel() override;
  // Wraps the top label to the window's width, after the controls follow the new size.
  void OnSize(UINT type, int cx, int cy) override;

  HCURSOR OnQueryDragIcon();
  void OnSourceChanged();
  void OnSeparatorChanged();
  void OnOptionChanged();
  void OnConvert();
  // The save dialog offers the chosen format's files and extension; with renameOutput an
  // output name ending in one of the formats' extensions takes the chosen one.
  void OfferFormat(bool renameOutput);
  void OnFormatChanged();
  // Paging under the pane: the buttons, Ctrl+Home, Ctrl+PageUp, Ctrl+PageDown and Ctrl+End.
  void OnPageFirst();
  void OnPagePrevious();
  void OnPageNext();
  void OnPageLast();
  // Ctrl+G: the focus goes to "From line", where Enter shows the page from that line.
  void OnGoToLine();
  void OnOK() override;
  // Opens the Columns dialog on the source's header; the preview follows its table.
  void OnColumns();
  // An output name given once the window is open, ending in one of the formats'
  // extensions, chooses that format.
  void OnOutputChanged();

  // Reads the source path into m_sourceFile and the separator text into m_separator; true
  // when something of the source's name exists.
  bool ReadInputs();
  // ReadInputs; 1 when the source exists, else 0 after telling the user in a box about a
  // non-empty path that names nothing.
  int CheckInputs();
  // The paths chosen or dropped into the source field: one as it is, several as a list;
  // a path that can't be in a list is refused in a box, and the field left as it was.
  void TakeSources(const std::vector<CString>& paths);
  // Reads the source field's list into m_sources (m_sourceFile being the first of them)
  // and makes the output's label and browse button, and the preview's caption, follow it.
  void ReadSources();
  // ReadInputs, then ShowPreview; does nothing while m_previewEnabled is 0.
  void UpdatePreview();
  // Shows the page of m_sourceFile in the preview pane (MakePreviewPage: its first rows, or
  // why there are none, or how to begin), in place of the page on show. For a source new
  // to the window, a separator that splits its one-column header is taken into the list.
  void ShowPreview();
  // Shows, and logs, why no page can be written, in place of the page on show.
  void ShowPreviewProblem(const CString& text);

  DECLARE_MESSAGE_MAP()

 private:
  void SetUpButtons();
  void SetUpBrowseButtons();
  void AnchorControls();
  void WrapSourceLabel();
  // Puts m_sourceFile first among the sources offered again, when it is a regular file.
  void RememberSource();
  void ShowAbout();
  // Enables the custom separator field exactly while m_separator is "Custom".
  void EnableCustomSeparator();
  // The Skip lines field's number; anything but digits counts as 0.
  int SkipLines() const;
  // The conversion the controls describe, for the preview and for Convert alike: the
  // source and separator as CheckInputs read them, the output, format and check boxes.
  ConversionRequest RequestFromControls() const;
  // Shows the page at target of the source on show, and its first line in "From line";
  // checkInputs: the source and separator are read from the controls first.
  void ShowPageAt(PageTarget target, bool checkInputs = true);
  void AnchorPagingControls();
  // Gives request the columns chosen for its source's header: the window's while the
  // header is the one they were chosen for, else those remembered for it, or none.
  void FollowHeader(ConversionRequest& request);
  ColumnType DefaultColumnType() const;
  CRememberedPlans Plans() const;

 protected:
  HICON m_hIcon = nullptr;
  CHistCBox m_separatorBox;
  CHistCBox m_formatBox;
  CComboBox m_encodingBox;
  CMFCEditBrowseCtrl m_sourceEdit;
  CMFCEditBrowseCtrl m_targetEdit;
  CString m_sourceFile;
  CString m_separator;
  CString m_previewFile;
  CWebBrowser2 m_browser;
  CMFCButton m_convertButton;
  CMFCButton m_quitButton;
  std::unique_ptr<CAboutDlg> m_aboutDlg;
  int m_previewEnabled = 0;

 private:
  CMainWindowSettings* m_settings = nullptr;
  CString m_openWith;
  CFileWatch m_sourceWatch;
  // What the pane says when no page could be written; empty once one is.
  CString m_previewProblem;
  // The sources the field offers again, latest first.
  std::vector<CString> m_recentSources;
  // The top label's text without the line breaks its wrapping puts in.
  CString m_sourceLabel;
  // The source field changed since the last preview: the next may take another separator.
  bool m_newSource = false;
  std::unique_ptr<CPreviewPager> m_pager;
  // Every source the field names (several: Convert writes them into the output folder),
  // and why its list can't be read.
  std::vector<CString> m_sources;
  CString m_sourcesProblem;
  // The columns chosen, and the key of the header they were chosen for (CHeaderKey).
  ColumnRecipe m_columns;
  std::string m_columnsKey;
};
