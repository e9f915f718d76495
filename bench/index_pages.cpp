// Makes the preview's index of a source and, optionally, pages of it, so that both can be
// timed as whole processes against a line count of the same file:
//   corvane-index-bench SOURCE [SEPARATOR [LINE...]]
// Prints the lines and rows found and the table's size, then each page's caption facts.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/index/LineIndex.h"
#include "engine/preview/PreviewPage.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s SOURCE [SEPARATOR [LINE...]]\n", argv[0]);
    return 2;
  }
  ConversionRequest request;
  request.source = CString::FromUtf8(argv[1]);
  request.separator = CString::FromUtf8(argc > 2 ? argv[2] : ",");
  CLineIndex index;
  index.Start(request);
  index.Wait();
  const LineIndexState state = index.State();
  if (state.failure) {
    std::fprintf(stderr, "%s\n", state.failure->ToUtf8().c_str());
    return 1;
  }
  std::printf("lines %lld rows %lld entries %zu step %lld\n", static_cast<long long>(state.lines),
              static_cast<long long>(state.rows), index.Entries(),
              static_cast<long long>(index.Step()));
  std::string folder = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
  if (argc > 3 && mkdtemp(folder.data()) == nullptr)
    return 1;
  for (int arg = 3; arg < argc; ++arg) {
    const CString json = CString::FromUtf8(folder + "/page.json");
    const PageFacts facts =
        MakePreviewPageAt(request, json, index, {PageTarget::By::kLine, std::atoll(argv[arg])});
    std::printf("page from line %s: lines %lld-%lld, row %lld\n", argv[arg],
                static_cast<long long>(facts.firstLine), static_cast<long long>(facts.lastLine),
                static_cast<long long>(facts.firstRow));
    std::filesystem::remove(folder + "/page.json.html");
  }
  if (argc > 3)
    std::filesystem::remove(folder);
  return 0;
}
