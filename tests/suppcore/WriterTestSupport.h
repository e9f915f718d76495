// Shared by the writer's tests: plays the conversion's sequence of writer calls for a list
// of rows into a file and gives back the file's bytes.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "libs/suppcore/JSON.h"

struct TextPair {
  std::u16string name;
  std::u16string value;
};
using Row = std::vector<TextPair>;
using Rows = std::vector<Row>;

// Rows as UTF-8 (name, value) pairs: what a reader of the output should find.
using Utf8Rows = std::vector<std::vector<std::pair<std::string, std::string>>>;

enum class Format { kJson, kBson };

// Which of the layout calls the sequence makes; the output must not depend on them.
enum class Layout { kConversion, kNoLayoutCalls };

// The calls of one conversion for rows, from SwitchIndent(1) to Close().
void PlayRows(JSON& writer, CFile& file, const Rows& rows, Format format,
              Layout layout = Layout::kConversion);

// A fresh path in the test's temporary directory.
std::string TempPath(const std::string& name);
std::string ReadBytes(const std::string& path);

// Creates path, lets play drive a writer opened on it, closes the file, returns its bytes.
std::string WriteWith(const std::string& path, const std::function<void(JSON&, CFile&)>& play);
// The whole document for rows.
std::string WriteRows(const Rows& rows, Format format, Layout layout = Layout::kConversion);

Utf8Rows ToUtf8(const Rows& rows);
