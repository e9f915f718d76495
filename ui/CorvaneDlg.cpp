#include "ui/CorvaneDlg.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <wx/stattext.h>

#include "engine/conversion/ConvertToJson.h"
#include "engine/preview/HeaderNames.h"
#include "engine/preview/PreviewFiles.h"
#include "engine/preview/PreviewPage.h"
#include "libs/dlgframe/SmApp.h"
#include "libs/suppcore/Limit.h"
#include "libs/suppcore/Log.h"
#include "platform/core/FileSystem.h"
#include "platform/core/Formatted.h"
#include "platform/gui/FileDrop.h"
#include "platform/gui/Images.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/Resources.h"
#include "platform/gui/WxText.h"
#include "ui/ColumnsDlg.h"
#include "ui/ColumnsTexts.h"
#include "ui/CorvaneResources.h"
#include "ui/Encodings.h"
#include "ui/OutputFormats.h"
#include "ui/PreviewProblem.h"
#include "ui/RecentSources.h"
#include "ui/RememberedPlans.h"
#include "ui/Resource.h"
#include "ui/SourceList.h"
#include "ui/StoredChoice.h"
#include "ui/WindowTexts.h"

CCorvaneDlg::CCorvaneDlg(CWnd*) : CSmDialog(IDD_MAIN_DIALOG, nullptr) {
  RegisterCorvaneResources();
  m_hIcon = AfxLoadIcon(IDR_MAINFRAME);
  m_windowName = kWindowName;
  m_aboutDlg = nullptr;
  m_previewEnabled = 0;
}

CCorvaneDlg::~CCorvaneDlg() {
  m_aboutDlg.reset();
}

BEGIN_MESSAGE_MAP(CCorvaneDlg, CSmDialog)
ON_WM_QUERYDRAGICON()
ON_EN_CHANGE(IDC_SOURCE_FILE, OnSourceChanged)
ON_CBN_SELCHANGE(IDC_SEPARATOR, OnSeparatorChanged)
ON_CBN_EDITCHANGE(IDC_SEPARATOR, OnSeparatorChanged)
ON_EN_CHANGE(IDC_CUSTOM_SEPARATOR, OnSeparatorChanged)
ON_BN_CLICKED(IDC_QUOTED_FIELDS, OnOptionChanged)
ON_BN_CLICKED(IDC_TYPED_VALUES, OnOptionChanged)
ON_BN_CLICKED(IDC_HEADER_LINE, OnOptionChanged)
ON_EN_CHANGE(IDC_SKIP_LINES, OnOptionChanged)
ON_CBN_SELCHANGE(IDC_ENCODING, OnOptionChanged)
ON_BN_CLICKED(IDC_CONVERT, OnConvert)
ON_CBN_SELCHANGE(IDC_FORMAT, OnFormatChanged)
ON_BN_CLICKED(IDC_PAGE_FIRST, OnPageFirst)
ON_BN_CLICKED(IDC_PAGE_PREVIOUS, OnPagePrevious)
ON_BN_CLICKED(IDC_PAGE_NEXT, OnPageNext)
ON_BN_CLICKED(IDC_PAGE_LAST, OnPageLast)
ON_COMMAND(ID_GO_TO_LINE, OnGoToLine)
ON_BN_CLICKED(IDC_COLUMNS, OnColumns)
ON_EN_CHANGE(IDC_TARGET_FILE, OnOutputChanged)
END_MESSAGE_MAP()

void CCorvaneDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_CONVERT, m_convertButton);
  DDX_Control(pDX, IDCANCEL, m_quitButton);
  DDX_Control(pDX, IDC_SEPARATOR, m_separatorBox);
  DDX_Control(pDX, IDC_SOURCE_FILE, m_sourceEdit);
  DDX_Control(pDX, IDC_TARGET_FILE, m_targetEdit);
  DDX_Control(pDX, IDC_PREVIEW, m_browser);
  DDX_Control(pDX, IDC_FORMAT, m_formatBox);
  DDX_Control(pDX, IDC_ENCODING, m_encodingBox);
  CSmDialog::DoDataExchange(pDX);
}

BOOL CCorvaneDlg::OnInitDialog() {
  CSmDialog::OnInitDialog();
  SetUpButtons();
  SetUpBrowseButtons();
  AnchorControls();
  AnchorPagingControls();
  const auto takeSources = [this](const std::vector<CString>& paths) { TakeSources(paths); };
  AcceptDroppedFileList(*this, takeSources);
  // The fields take drops of their own, which would otherwise drop the file's address as text.
  AcceptDroppedFileListOn(m_sourceEdit, takeSources);
  m_sourceEdit.EnableSeveralFiles(takeSources);
  AcceptDroppedFilesOn(m_targetEdit,
                       [this](const CString& path) { m_targetEdit.SetWindowText(path); });
  for (const OutputFormatName& format : OutputFormatNames()) {
    m_formatBox.AddString(FormatLabel(format));
  }
  m_formatBox.SendMessage(CB_SETCURSEL, 0, 0);
  for (const char16_t* encoding : EncodingChoices()) {
    m_encodingBox.AddString(encoding);
  }
  m_encodingBox.SetCurSel(0);
  Load();
  m_separatorBox.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kCustomSeparator));
  m_formatBox.EnableWindow(TRUE);
  if (m_settings != nullptr) {
    SelectStoredChoice(m_formatBox, m_settings->Format(), 0, u"Format");
  }
  OfferFormat(false);
  CheckDlgButton(IDC_HEADER_LINE, BST_CHECKED);
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SetMinSizes(kMinWindowWidth, kMinWindowHeight);
  if (m_settings != nullptr) {
    // Setting the texts raises the fields' change notifications; while m_previewEnabled
    // is still 0 they build no preview.
    m_sourceEdit.SetWindowText(m_openWith.IsEmpty() ? m_settings->SourceFile() : m_openWith);
    m_targetEdit.SetWindowText(m_settings->OutputFile());
    SetDlgItemText(IDC_CUSTOM_SEPARATOR, m_settings->CustomSeparator());
    SelectStoredChoice(m_separatorBox, m_settings->Separator(), 0, u"Separator");
    CheckDlgButton(IDC_QUOTED_FIELDS, m_settings->QuotedFields() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_TYPED_VALUES, m_settings->TypedValues() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_KEEP_LEFT_OUT, m_settings->KeepLinesLeftOut() ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemText(IDC_SKIP_LINES, CString::FromUtf8(std::to_string(m_settings->SkipLines())));
    CheckDlgButton(IDC_HEADER_LINE, m_settings->HeaderLine() ? BST_CHECKED : BST_UNCHECKED);
    SelectStoredChoice(m_encodingBox, m_settings->Encoding(), 0, u"Encoding");
    m_recentSources = m_settings->RecentSources();
    m_sourceEdit.SetHistory(m_recentSources);
  }
  if (m_settings != nullptr && !m_settings->LoadProblem().IsEmpty()) {
    MessageBox(m_settings->LoadProblem(), kErrorCaption, MB_ICONWARNING);
  }
  m_previewEnabled = 1;
  GetDlgItemText(IDC_SEPARATOR, m_separator);
  EnableCustomSeparator();
  // A file the window was started with is new to it; the saved one keeps its separator.
  m_newSource = !m_openWith.IsEmpty();
  // The one preview of start-up.
  UpdatePreview();
  return TRUE;
}

void CCorvaneDlg::SetUpButtons() {
  m_convertButton.SetTooltip(kConvertTooltip);
  m_convertButton.SetImage(IDB_CONVERT, 0, 0);
  m_quitButton.SetTooltip(kQuitTooltip);
  m_quitButton.SetImage(IDB_QUIT, 0, 0);
}

void CCorvaneDlg::SetUpBrowseButtons() {
  CString sourceFilter;
  AfxLoadString(IDS_SOURCE_FILTER, sourceFilter);
  m_sourceEdit.EnableFileBrowseButton(kSourceExtension, sourceFilter);
  // The output usually does not exist yet: its browse button asks where to save.
  m_targetEdit.SetBrowseForSaving(TRUE);
}

void CCorvaneDlg::OfferFormat(bool renameOutput) {
  CString name;
  GetDlgItemText(IDC_FORMAT, name);
  const OutputFormatName& format = OutputFormatLabelled(name);
  m_targetEdit.EnableFileBrowseButton(FormatExtension(format), FormatFilter(format));
  const CString output = m_targetEdit.GetWindowText();
  const CString followed = WithFormatExtension(output, format);
  if (renameOutput && !(followed == output)) {
    m_targetEdit.SetWindowText(followed);
  }
}

void CCorvaneDlg::OnFormatChanged() {
  OfferFormat(true);
}

void CCorvaneDlg::OnOutputChanged() {
  // The restored output keeps the restored format; only a name given afterwards chooses.
  if (m_previewEnabled == 0) {
    return;
  }
  const OutputFormatName* named = FormatOfFileName(m_targetEdit.GetWindowText().ToUtf8());
  CString chosen;
  GetDlgItemText(IDC_FORMAT, chosen);
  if (named != nullptr && named->format != OutputFormatLabelled(chosen).format) {
    m_formatBox.SetCurSel(m_formatBox.FindStringExact(-1, FormatLabel(*named)));
    OfferFormat(false);
  }
}

void CCorvaneDlg::AnchorControls() {
  AddControl(IDC_SOURCE_LABEL, RZ_GROW_WIDTH, SPLIT_NONE);
  AddControl(IDC_SOURCE_FILE, RZ_GROW_WIDTH, SPLIT_NONE);
  AddControl(IDC_PREVIEW, RZ_GROW_BOTH, SPLIT_NONE);
  AddControl(IDC_TARGET_LABEL, RZ_MOVE_DOWN, SPLIT_NONE);
  AddControl(IDC_TARGET_FILE, RZ_MOVE_DOWN_GROW_WIDTH, SPLIT_NONE);
  AddControl(IDC_CONVERT, RZ_MOVE_RIGHT_DOWN, SPLIT_NONE);
  AddControl(IDCANCEL, RZ_MOVE_RIGHT_DOWN, SPLIT_NONE);
  AddControl(IDC_FORMAT_LABEL, RZ_MOVE_DOWN, SPLIT_NONE);
  AddControl(IDC_FORMAT, RZ_MOVE_DOWN, SPLIT_NONE);
  AddControl(IDC_TYPED_VALUES, RZ_MOVE_DOWN, SPLIT_NONE);
  AddControl(IDC_KEEP_LEFT_OUT, RZ_MOVE_DOWN, SPLIT_NONE);
  AddControl(IDC_COLUMNS, RZ_MOVE_DOWN, SPLIT_NONE);
  // What grows with the window may shrink to this, so that the window fits 640 by 480.
  for (const auto& [id, width, height] :
       {std::tuple{IDC_SOURCE_FILE, 160, -1}, {IDC_TARGET_FILE, 160, -1}, {IDC_PREVIEW, 200, 60}}) {
    if (CWnd* control = GetDlgItem(id)) {
      wxWindow* window = control->GetWxWindow();
      window->SetMinSize(window->FromDIP(wxSize(width, height)));
    }
  }
}

void CCorvaneDlg::OnSize(UINT type, int cx, int cy) {
  CSmDialog::OnSize(type, cx, cy);
  WrapSourceLabel();
}

void CCorvaneDlg::WrapSourceLabel() {
  CWnd* control = GetDlgItem(IDC_SOURCE_LABEL);
  auto* label = control != nullptr ? dynamic_cast<wxStaticText*>(control->GetWxWindow()) : nullptr;
  if (label == nullptr) {
    return;
  }
  // The whole text, on as many lines as the label's width needs (two at 640 pixels).
  if (m_sourceLabel.IsEmpty()) {
    m_sourceLabel = FromWx(label->GetLabel());
  }
  label->SetLabel(ToWx(m_sourceLabel));
  label->Wrap(label->GetSize().x);
}

// The menu's entries for the library's commands carry the library's ids.
static_assert(ID_TOOLS_VIEW_LOG == ID_SM_VIEW_LOG && ID_TOOLS_TRUNCATE_LOG == ID_SM_TRUNCATE_LOG &&
              ID_HELP_SUPPORT_MAIL == ID_SM_SUPPORT_MAIL && ID_HELP_WEB_SITE == ID_SM_WEB_SITE);

BOOL CCorvaneDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (wParam == ID_HELP_ABOUT) {
    ShowAbout();
    return TRUE;
  }
  if (wParam == ID_FILE_OPEN) {
    m_sourceEdit.Browse();
    return TRUE;
  }
  CSmApp* app = AfxGetSmApp();
  if (app != nullptr && app->DoCommand(static_cast<UINT>(wParam)) != 0) {
    return TRUE;
  }
  // Unsigned, so that a parameter below the first product wraps round and fails the test.
  if (wParam - ID_PRODUCT_FIRST <= ID_PRODUCT_LAST - ID_PRODUCT_FIRST) {
    CLimit::RunProduct(static_cast<OSTREL_PRODUCT>(wParam - ID_PRODUCT_FIRST), this, u"");
    return TRUE;
  }
  return CSmDialog::OnCommand(wParam, lParam);
}

void CCorvaneDlg::ShowAbout() {
  if (!m_aboutDlg) {
    m_aboutDlg = std::make_unique<CAboutDlg>(this);
  }
  m_aboutDlg->Initialize(kAboutYears, OSTREL_CORVANE_CONVERTER, g_settings, m_hIcon, nullptr, 0);
  m_aboutDlg->DoModal();
}

void CCorvaneDlg::OnSourceChanged() {
  m_newSource = true;
  UpdatePreview();
}

void CCorvaneDlg::OnSeparatorChanged() {
  GetDlgItemText(IDC_SEPARATOR, m_separator);
  EnableCustomSeparator();
  UpdatePreview();
}

void CCorvaneDlg::OnOptionChanged() {
  UpdatePreview();
}

ConversionRequest CCorvaneDlg::RequestFromControls() const {
  ConversionRequest request;
  request.source = m_sourceFile;
  request.separator = m_separator;
  GetDlgItemText(IDC_TARGET_FILE, request.output);
  CString format;
  GetDlgItemText(IDC_FORMAT, format);
  request.format = OutputFormatLabelled(format).format;
  request.options.access = CDelimitedTextReader::Access::RegularFileOnly;
  request.options.regularOutputOnly = true;
  CString encoding;
  GetDlgItemText(IDC_ENCODING, encoding);
  request.options.encoding = EncodingOfChoice(encoding);
  request.options.quoted = IsDlgButtonChecked(IDC_QUOTED_FIELDS) == BST_CHECKED;
  request.options.typedValues = IsDlgButtonChecked(IDC_TYPED_VALUES) == BST_CHECKED;
  request.options.skipLines = SkipLines();
  request.options.headerLine = IsDlgButtonChecked(IDC_HEADER_LINE) == BST_CHECKED;
  request.options.columns = m_columns;
  return request;
}

ColumnType CCorvaneDlg::DefaultColumnType() const {
  return IsDlgButtonChecked(IDC_TYPED_VALUES) == BST_CHECKED ? ColumnType::Automatic
                                                             : ColumnType::Text;
}

void CCorvaneDlg::FollowHeader(ConversionRequest& request) {
  std::string key = CHeaderKey::OfHeader(request).value_or(std::string());
  if (key != m_columnsKey) {
    m_columns = key.empty() ? ColumnRecipe{} : Plans().Find(key).value_or(ColumnRecipe{});
    m_columnsKey = std::move(key);
  }
  request.options.columns = m_columns;
}

CRememberedPlans CCorvaneDlg::Plans() const {
  return CRememberedPlans(m_settings != nullptr ? m_settings->PlansFolder() : std::string());
}

void CCorvaneDlg::OnColumns() {
  if (CheckInputs() == 0) {
    return;
  }
  ConversionRequest request = RequestFromControls();
  FollowHeader(request);
  const std::optional<std::vector<std::string>> names = ReadOutputNames(request);
  if (!names) {
    MessageBox(Formatted(kNoColumnsToChoose, m_sourceFile.GetString()), kErrorCaption,
               MB_ICONERROR);
    return;
  }
  const ColumnRecipe before = m_columns;
  CColumnsDlg dialog(this, *names, m_columns, DefaultColumnType());
  dialog.OnRecipeChanged([this](const ColumnRecipe& recipe) {
    m_columns = recipe;
    ShowPreview();
  });
  if (dialog.DoModal() == IDOK) {
    m_columns = dialog.Recipe();
    if (const CString failure = Plans().Keep(CHeaderKey::Of(*names), m_columns); !failure.IsEmpty())
      MessageBox(failure, kErrorCaption, MB_ICONERROR);
  } else {
    m_columns = before;
  }
  ShowPreview();
}

int CCorvaneDlg::SkipLines() const {
  CString text;
  GetDlgItemText(IDC_SKIP_LINES, text);
  const std::u16string_view digits = text.View();
  if (digits.empty() || digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
    return 0;
  return std::stoi(text.ToUtf8());
}

void CCorvaneDlg::EnableCustomSeparator() {
  if (CWnd* custom = GetDlgItem(IDC_CUSTOM_SEPARATOR)) {
    custom->EnableWindow(m_separator == kCustomSeparator ? TRUE : FALSE);
  }
}

bool CCorvaneDlg::ReadInputs() {
  ReadSources();
  GetDlgItemText(IDC_SEPARATOR, m_separator);
  if (m_separator == kCustomSeparator) {
    GetDlgItemText(IDC_CUSTOM_SEPARATOR, m_separator);
  }
  // Existence only: a directory or an unreadable file passes, and the conversion reports.
  return _waccess(m_sourceFile, 0) == 0;
}

int CCorvaneDlg::CheckInputs() {
  const bool exists = ReadInputs();
  if (!m_sourcesProblem.IsEmpty()) {
    MessageBox(m_sourcesProblem, kErrorCaption, MB_ICONERROR);
    return 0;
  }
  if (!exists) {
    // An empty field is a choice not made yet, not a mistake.
    if (!m_sourceFile.IsEmpty()) {
      MessageBox(kSourceMissing, kErrorCaption, MB_ICONERROR);
    }
    return 0;
  }
  return 1;
}

void CCorvaneDlg::UpdatePreview() {
  if (m_previewEnabled == 0) {
    return;
  }
  // A source that names nothing is said on the page, by name; only Convert asks for a box.
  ReadInputs();
  if (!m_sourcesProblem.IsEmpty()) {
    m_sourceWatch.Watch(CString(), [] {});
    m_browser.ShowPage(PreviewProblemPage(m_sourcesProblem));
    return;
  }
  // The page follows the source when it is written, replaced, removed or made again.
  m_sourceWatch.Watch(m_sourceFile, [this] { UpdatePreview(); });
  RememberSource();
  ShowPreview();
}

void CCorvaneDlg::ShowPreview() {
  if (m_previewEnabled == 0) {
    return;
  }
  CPreviewFiles files(m_previewFile);
  if (!files.Reserved()) {
    ShowPreviewProblem(PreviewFolderProblem(errno));
    return;
  }
  ConversionRequest request = RequestFromControls();
  FollowHeader(request);
  const CString taken =
      MakePreviewPage(request, files.JsonPath(), std::exchange(m_newSource, false));
  if (_waccess(m_previewFile, 4) != 0) {
    ShowPreviewProblem(PreviewWriteProblem(files.JsonPath()));
    return;
  }
  if (!taken.IsEmpty()) {
    // Chosen in the list without its notification: the page on its way says why.
    m_separatorBox.SetActiveOrAdd(taken, 0);
    m_separator = taken;
    EnableCustomSeparator();
  }
  m_browser.Navigate(m_previewFile, nullptr, nullptr, nullptr, nullptr);
  files.Shown();
  m_previewProblem.Empty();
  // Every first page of a source (or of a new separator) starts its index anew.
  SetDlgItemText(IDC_FROM_LINE, u"");
  if (!m_pager) {
    return;
  }
  if (_waccess(m_sourceFile, 0) == 0) {
    m_pager->FirstPageShown(RequestFromControls());
  } else {
    m_pager->Forget();
  }
}

void CCorvaneDlg::AnchorPagingControls() {
  for (const int id : {IDC_FROM_LINE_LABEL, IDC_FROM_LINE, IDC_PAGE_FIRST, IDC_PAGE_PREVIOUS,
                       IDC_PAGE_NEXT, IDC_PAGE_LAST}) {
    AddControl(id, RZ_MOVE_DOWN, SPLIT_NONE);
  }
  AddCtrlAccelerator('G', ID_GO_TO_LINE);
  AddCtrlAccelerator(VK_HOME, IDC_PAGE_FIRST);
  AddCtrlAccelerator(VK_PRIOR, IDC_PAGE_PREVIOUS);
  AddCtrlAccelerator(VK_NEXT, IDC_PAGE_NEXT);
  AddCtrlAccelerator(VK_END, IDC_PAGE_LAST);
  // The page that said "of about" says how many once the index is done.
  // Not through CheckInputs: a source gone meanwhile is no reason for a box nobody asked for.
  m_pager = std::make_unique<CPreviewPager>(*this, [this] {
    if (m_pager->Paged() && _waccess(m_sourceFile, 0) == 0)
      ShowPageAt(m_pager->Current(), false);
  });
}

void CCorvaneDlg::ShowPageAt(PageTarget target, bool checkInputs) {
  if (m_previewEnabled == 0 || (checkInputs && CheckInputs() == 0)) {
    return;
  }
  CPreviewFiles files(m_previewFile);
  if (!files.Reserved()) {
    return;
  }
  const PageFacts facts = m_pager->ShowPage(RequestFromControls(), files.JsonPath(), target);
  m_browser.Navigate(m_previewFile, nullptr, nullptr, nullptr, nullptr);
  files.Shown();
  SetDlgItemText(IDC_FROM_LINE,
                 facts.firstLine > 0 ? CString::FromUtf8(std::to_string(facts.firstLine)) : u"");
}

void CCorvaneDlg::OnPageFirst() {
  ShowPageAt(m_pager->TargetOf(CPreviewPager::Move::kFirst));
}

void CCorvaneDlg::OnPagePrevious() {
  ShowPageAt(m_pager->TargetOf(CPreviewPager::Move::kPrevious));
}

void CCorvaneDlg::OnPageNext() {
  ShowPageAt(m_pager->TargetOf(CPreviewPager::Move::kNext));
}

void CCorvaneDlg::OnPageLast() {
  ShowPageAt(m_pager->TargetOf(CPreviewPager::Move::kLast));
}

void CCorvaneDlg::OnGoToLine() {
  if (CWnd* field = GetDlgItem(IDC_FROM_LINE)) {
    field->SetFocus();
  }
}

// Enter in "From line" goes there; anywhere else it does nothing, as before. The number
// may be written as the page's caption writes it, its thousands grouped.
void CCorvaneDlg::OnOK() {
  const CWnd* focus = CWnd::GetFocus();
  if (focus == nullptr || focus->GetDlgCtrlID() != IDC_FROM_LINE) {
    return;
  }
  CString text;
  GetDlgItemText(IDC_FROM_LINE, text);
  std::string digits;
  for (const char16_t c : text.View()) {
    if (c >= u'0' && c <= u'9') {
      digits += static_cast<char>(c);
    } else if (c != u',' && c != u'.' && c != u' ' && c != u'\u00A0' && c != u'\'') {
      return;
    }
  }
  if (!digits.empty() && digits.size() <= 15) {
    ShowPageAt({PageTarget::By::kLine, std::stoll(digits)});
  }
}

void CCorvaneDlg::RememberSource() {
  std::error_code error;
  const bool first = !m_recentSources.empty() && m_recentSources.front() == m_sourceFile;
  // A list's first source was not chosen on its own.
  if (m_sourceFile.IsEmpty() || first || m_sources.size() > 1 ||
      !std::filesystem::is_regular_file(m_sourceFile.ToUtf8(), error))
    return;
  m_recentSources = WithRecentSource(std::move(m_recentSources), m_sourceFile);
  m_sourceEdit.SetHistory(m_recentSources);
}

void CCorvaneDlg::ShowPreviewProblem(const CString& text) {
  // Once, not at every keystroke while the disk stays full.
  if (text != m_previewProblem) {
    CLog::Entry(text);
  }
  m_previewProblem = text;
  m_browser.ShowPage(PreviewProblemPage(text));
}

void CCorvaneDlg::Deactivate() {
  if (m_pager) {
    m_pager->Forget();  // its thread goes with the window
  }
  DeletePreviewPage(m_previewFile);
  CSmDialog::Deactivate();
}

void CCorvaneDlg::OnCancel() {
  Save();
  if (m_settings != nullptr) {
    CString text;
    GetDlgItemText(IDC_SOURCE_FILE, text);
    m_settings->SetSourceFile(SourceTextToSave(text, m_settings->SourceFile()));
    GetDlgItemText(IDC_TARGET_FILE, text);
    m_settings->SetOutputFile(text);
    GetDlgItemText(IDC_SEPARATOR, text);
    m_settings->SetSeparator(text);
    GetDlgItemText(IDC_CUSTOM_SEPARATOR, text);
    m_settings->SetCustomSeparator(text);
    GetDlgItemText(IDC_FORMAT, text);
    m_settings->SetFormat(text);
    GetDlgItemText(IDC_ENCODING, text);
    m_settings->SetEncoding(text);
    m_settings->SetQuotedFields(IsDlgButtonChecked(IDC_QUOTED_FIELDS) == BST_CHECKED);
    m_settings->SetTypedValues(IsDlgButtonChecked(IDC_TYPED_VALUES) == BST_CHECKED);
    m_settings->SetKeepLinesLeftOut(IsDlgButtonChecked(IDC_KEEP_LEFT_OUT) == BST_CHECKED);
    m_settings->SetSkipLines(SkipLines());
    m_settings->SetHeaderLine(IsDlgButtonChecked(IDC_HEADER_LINE) == BST_CHECKED);
    m_settings->SetRecentSources(m_recentSources);
    const CString failure = m_settings->SaveData();
    if (!failure.IsEmpty()) {
      CLog::Entry(failure);
      MessageBox(failure, kErrorCaption, MB_ICONERROR);
    }
  }
  CDialog::OnCancel();
}

HCURSOR CCorvaneDlg::OnQueryDragIcon() {
  return m_hIcon;
}
