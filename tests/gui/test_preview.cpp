// The preview pane in a real window: the first rows of the source shown as a table, and
// the temporary files in the private directory and their removal. That values are escaped
// is the page renderer's test; that the pane runs no scripts, the browser pane's.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <regex>

#include <gtest/gtest.h>
#include <wx/webview.h>

#include "platform/core/SysCalls.h"
#include "tests/gui/MainWindowFixture.h"

namespace SettingsKey {
inline constexpr const char16_t* kTextFileName = u"TextFileName";
inline constexpr const char16_t* kJSONFileName = u"JSONFileName";
inline constexpr const char16_t* kSeparator = u"Separator";
inline constexpr const char16_t* kCustom = u"Custom";
inline constexpr const char16_t* kFormat = u"Format";
}  // namespace SettingsKey

namespace {

class PreviewTest : public MainWindowTest {
 protected:
  // The name of the latest page within the private directory.
  std::string PageName() const {
    return std::filesystem::path(dlg->PreviewFile().ToUtf8()).filename().string();
  }
  std::string Page() const { return ReadBytesFromFile(dlg->PreviewFile().ToUtf8()); }
  // Opens the window and previews source with the comma entry.
  void OpenWithPreviewOf(const CString& source) {
    Open();
    Choose(1001, u",");
    SetText(1000, source);
  }
  std::string ShownSource() const { return Pane()->GetPageSource().utf8_string(); }
};

TEST_F(PreviewTest, NoTemporaryFileWhileTheFlagIsZero) {
  Open();
  dlg->SetPreviewEnabled(0);
  SetText(1000, Source("in.txt", SourceRows(25, ',')));
  Choose(1001, u",");
  dlg->UpdatePreview();
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_TRUE(dlg->PreviewFile().IsEmpty());

  dlg->SetPreviewEnabled(1);
  Choose(1001, u",");
  EXPECT_EQ(TempFiles().size(), 1u);
}

TEST_F(PreviewTest, StartUpShowsOnePageNamedAfterAReservedNameInADirectoryOfTheUsersOwn) {
  store.setStr(SettingsKey::kTextFileName, Source("in.txt", SourceRows(25, ',')));
  store.setStr(SettingsKey::kSeparator, u",");
  Open();
  const std::vector<std::string> files = TempFiles();
  ASSERT_EQ(files.size(), 1u) << "no reserved name, no JSON file, one page";
  EXPECT_TRUE(std::regex_match(files[0], std::regex("js[0-9A-F]+\\.tmp\\.json\\.html")))
      << files[0];
  EXPECT_EQ(dlg->PreviewFile(), CString::FromUtf8(PrivateTempDir() + "/" + files[0]));
  struct stat info {};
  ASSERT_EQ(lstat(PrivateTempDir().c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u) << "only the user can enter it";
  EXPECT_EQ(info.st_uid, geteuid());

  ASSERT_TRUE(WaitForPage(dlg->PreviewFile()));
  const std::string shown = ShownSource();
  EXPECT_NE(shown.find("<table>"), std::string::npos);
  EXPECT_NE(shown.find("<th>name</th><th>value</th>"), std::string::npos);
  EXPECT_NE(shown.find("<td>row10</td>"), std::string::npos);
  EXPECT_EQ(shown.find("<td>row11</td>"), std::string::npos);
  EXPECT_TRUE(Boxes().empty());
}

// With BSON chosen the preview is still built from JSON.
TEST_F(PreviewTest, TenLinesAreReadAndAMismatchedOneIsNotReplaced) {
  std::string source = "name,value\n";
  for (int i = 1; i <= 25; ++i) {
    source += "row" + std::to_string(i) + "," + std::to_string(i) + (i == 3 ? ",extra" : "") + "\n";
  }
  Open();
  Choose(1008, u"BSON");
  Choose(1001, u",");
  SetText(1000, Source("in.txt", source));
  const std::string page = Page();
  const std::regex row("<tr>");
  EXPECT_EQ(std::distance(std::sregex_iterator(page.begin(), page.end(), row), {}), 1 + 9)
      << "the header and nine rows";
  EXPECT_NE(page.find("<td>row2</td>"), std::string::npos);
  EXPECT_EQ(page.find("<td>row3</td>"), std::string::npos);
  EXPECT_NE(page.find("<td>row10</td>"), std::string::npos);
  EXPECT_EQ(page.find("<td>row11</td>"), std::string::npos);
}

TEST_F(PreviewTest, EveryChangeOfTheCustomSeparatorBuildsANewPage) {
  OpenWithPreviewOf(Source("in.txt", SourceRows(3, ';')));
  Choose(1001, u"Custom");
  const CString before = dlg->PreviewFile();
  SetText(1010, u";");
  EXPECT_NE(dlg->PreviewFile(), before);
  EXPECT_NE(Page().find("<th>name</th><th>value</th>"), std::string::npos);
  EXPECT_EQ(TempFiles(), std::vector<std::string>{PageName()});
}

TEST_F(PreviewTest, NewPageReplacesThePreviousOneAndAHeaderOnlySourceKeepsIt) {
  OpenWithPreviewOf(Source("first.txt", "name,value\nfirst,1\n"));
  const CString first = dlg->PreviewFile();
  ASSERT_TRUE(WaitForPage(first));
  SetText(1000, Source("second.txt", "name,value\nsecond,2\n"));
  const CString second = dlg->PreviewFile();
  ASSERT_NE(second, first);
  EXPECT_EQ(TempFiles(), std::vector<std::string>{PageName()}) << "the first page is gone";
  ASSERT_TRUE(WaitForPage(second));
  EXPECT_NE(ShownSource().find("<td>second</td>"), std::string::npos) << ShownSource();
  EXPECT_EQ(ShownSource().find("<td>first</td>"), std::string::npos);

  const wxString shownUrl = Pane()->GetCurrentURL();
  SetText(1000, Source("header.txt", "name,value\n"));
  EXPECT_EQ(dlg->PreviewFile(), second) << "the page on show is the one to delete at the end";
  EXPECT_EQ(TempFiles(), std::vector<std::string>{PageName()}) << "no JSON file stays";
  Pump(300);
  EXPECT_EQ(Pane()->GetCurrentURL(), shownUrl);
  EXPECT_NE(ShownSource().find("<td>second</td>"), std::string::npos);
}

TEST_F(PreviewTest, DeactivationDeletesOnlyTheLatestPageAndNothingTwice) {
  // Another file in the directory, such as another window's page, must survive.
  std::filesystem::create_directory(PrivateTempDir());
  std::filesystem::permissions(PrivateTempDir(), std::filesystem::perms::owner_all);
  WriteBytesToFile(PrivateTempDir() + "/other.html", "other");
  Open();
  dlg->Deactivate();  // before any preview
  EXPECT_EQ(TempFiles(), std::vector<std::string>{"other.html"});

  Choose(1001, u",");
  SetText(1000, Source("in.txt", SourceRows(3, ',')));
  EXPECT_EQ(TempFiles().size(), 2u);
  dlg->Deactivate();
  EXPECT_EQ(TempFiles(), std::vector<std::string>{"other.html"});
  dlg->Deactivate();
  EXPECT_EQ(TempFiles(), std::vector<std::string>{"other.html"});
  Destroy();
  EXPECT_EQ(TempFiles(), std::vector<std::string>{"other.html"});
}

TEST_F(PreviewTest, TypingAPathPreviewsAnExistingSourceAndASeparatorChangeReportsAMissingOne) {
  Open();
  Choose(1001, u",");
  SetText(1000, dir.WFile("in.tx"));
  EXPECT_EQ(Boxes(), BoxList{}) << "typing a path that names nothing does nothing";
  Choose(1001, u",");
  EXPECT_EQ(Boxes(), BoxList{ErrorBox(kMissingSource)});
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_TRUE(dlg->PreviewFile().IsEmpty());
  SetText(1000, u"");
  Choose(1001, u",");
  EXPECT_EQ(Boxes().size(), 1u) << "an empty source field is not reported";

  Source("in.txt", SourceRows(2, ','));
  SetText(1000, dir.WFile("in.txt"));
  EXPECT_EQ(TempFiles(), std::vector<std::string>{PageName()}) << "previewed at once";
}

// Closing the window then leaves nothing behind.
TEST_F(PreviewTest, PreviewThatCannotBeWrittenLeavesNoFileAndKeepsThePage) {
  OpenWithPreviewOf(Source("first.txt", SourceRows(3, ',')));
  const CString first = dlg->PreviewFile();
  {
    SysCalls fullDisk = RealSysCalls();
    fullDisk.write = FullDiskWrite;
    ScopedSysCalls seam(fullDisk);
    SetText(1000, Source("second.txt", SourceRows(4, ',')));
  }
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.Find(u"No space left on device"), -1) << Boxes()[0].text.ToUtf8();
  EXPECT_EQ(dlg->PreviewFile(), first);
  EXPECT_EQ(TempFiles(), std::vector<std::string>{PageName()});
  Command(IDCANCEL);
  Destroy();
  EXPECT_FALSE(std::filesystem::exists(PrivateTempDir()));
}

}  // namespace
