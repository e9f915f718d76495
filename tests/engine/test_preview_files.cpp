// The preview's temporary files: a reserved name, its JSON file and page, the page on show
// replaced, a failed attempt leaving nothing, and the last page removed at the end, as one
// window's session goes through them.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "engine/preview/PreviewFiles.h"
#include "tests/platform/TempDir.h"

namespace {

class PreviewFilesTest : public ::testing::Test {
 protected:
  // The private temporary directory is made under $XDG_RUNTIME_DIR: here, the test's own.
  PreviewFilesTest() { setenv("XDG_RUNTIME_DIR", m_dir.Path().c_str(), 1); }
  ~PreviewFilesTest() override { unsetenv("XDG_RUNTIME_DIR"); }

  // The files in the private directory, found from a page in it, but for the folder's mark.
  static std::set<std::string> Files(const CString& page) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Private(page), error)) {
      if (entry.path().filename() != ".corvane-preview")
        names.insert(entry.path().filename().string());
    }
    return names;
  }
  static std::string Private(const CString& page) {
    return std::filesystem::path(page.ToUtf8()).parent_path().string();
  }
  static std::string Name(const CString& path) {
    return std::filesystem::path(path.ToUtf8()).filename().string();
  }
  // An attempt as the window makes it: the conversion writes the JSON file and the
  // renderer turns it into the page.
  void Preview(CString& previewFile, bool converted) {
    CPreviewFiles files(previewFile);
    ASSERT_TRUE(files.Reserved());
    WriteBytesToFile(files.JsonPath().ToUtf8(), "[]");
    if (!converted)
      return;
    std::filesystem::rename(files.JsonPath().ToUtf8(), previewFile.ToUtf8());
    files.Shown();
  }

  TempDir m_dir;
};

// The reserved name's number and the private directory are the file system layer's; here
// what the preview adds: the suffixes, one page at most left, and none after closing.
TEST_F(PreviewFilesTest, EachPageReplacesThePreviousAndClosingDeletesTheLast) {
  DeletePreviewPage(CString());  // before any preview
  CString page;
  Preview(page, true);
  EXPECT_TRUE(Name(page).ends_with(".tmp.json.html")) << Name(page);
  EXPECT_EQ(Files(page), std::set<std::string>{Name(page)}) << "the reserved name is gone";
  const CString first = page;
  Preview(page, true);
  EXPECT_NE(page, first);
  EXPECT_EQ(Files(page), std::set<std::string>{Name(page)});
  const CString shown = page;
  Preview(page, false);
  EXPECT_EQ(page, shown) << "the page on show is the one to delete at the end";
  EXPECT_EQ(Files(page), std::set<std::string>{Name(page)});
  DeletePreviewPage(page);
  EXPECT_FALSE(std::filesystem::exists(Private(page)));
}

}  // namespace
