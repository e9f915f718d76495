#include "WriterTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

void PlayRows(JSON& writer, CFile& file, const Rows& rows, Format format, Layout layout) {
  const bool hints = layout == Layout::kConversion;
  if (hints)
    writer.SwitchIndent(1);
  writer.Open(&file, 0);
  writer.SetBSON(format == Format::kBson ? 1 : 0);
  writer.Array(1, 1);
  for (size_t r = 0; r < rows.size(); ++r) {
    if (r > 0)
      writer.EndOfPair();
    if (hints)
      writer.SetIndent(1);
    writer.BeginValue(nullptr);
    for (size_t k = 0; k < rows[r].size(); ++k) {
      if (k > 0)
        writer.EndOfPair();
      if (hints)
        writer.WriteIndent();
      writer.AddPair(CString(rows[r][k].name), CString(rows[r][k].value));
    }
    if (hints)
      writer.SetIndent(0);
    writer.EndValue();
  }
  writer.Array(0, 1);
  writer.Close();
}

std::string TempPath(const std::string& name) {
  static std::atomic<int> counter{0};
  return testing::TempDir() + "suppcore_" + std::to_string(getpid()) + "_" +
         std::to_string(counter++) + "_" + name;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string WriteWith(const std::string& path, const std::function<void(JSON&, CFile&)>& play) {
  {
    CFile file;
    EXPECT_TRUE(file.Open(CString::FromUtf8(path), CFile::modeCreate | CFile::modeWrite));
    JSON writer;
    play(writer, file);
    file.Close();
  }
  std::string bytes = ReadBytes(path);
  unlink(path.c_str());
  return bytes;
}

std::string WriteRows(const Rows& rows, Format format, Layout layout) {
  return WriteWith(TempPath("rows"), [&](JSON& writer, CFile& file) {
    PlayRows(writer, file, rows, format, layout);
  });
}

Utf8Rows ToUtf8(const Rows& rows) {
  Utf8Rows result;
  for (const Row& row : rows) {
    auto& out = result.emplace_back();
    for (const TextPair& pair : row)
      out.emplace_back(Utf16ToUtf8(pair.name), Utf16ToUtf8(pair.value));
  }
  return result;
}
