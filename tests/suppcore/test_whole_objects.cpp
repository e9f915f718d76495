// AddObjectUtf8 writes a whole object in one call: its bytes must be exactly those of the
// step-by-step calls it stands for, in both formats, with and without indentation,
// whatever the values hold and wherever the call comes in the document.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WriterTestSupport.h"
#include "libs/suppcore/ObjectNames.h"

namespace {

struct Table {
  std::vector<std::u16string> names;
  std::vector<std::vector<std::string>> rows;  // UTF-8 values
};

// The values of a row, each followed by the readable slack the call may read. The slack
// holds bytes that would need escaping, so that reading it as part of a value shows.
class PaddedRow {
 public:
  explicit PaddedRow(const std::vector<std::string>& values) {
    for (const std::string& value : values)
      m_storage.push_back(value + std::string(JSON::kValueSlack, '\\'));
    for (size_t k = 0; k < values.size(); ++k)
      m_views.emplace_back(m_storage[k].data(), values[k].size());
  }
  const std::string_view* data() const { return m_views.data(); }

 private:
  std::vector<std::string> m_storage;
  std::vector<std::string_view> m_views;
};

enum class How { kWhole, kSteps };

void WriteObject(JSON& w, const ObjectNames& names, const std::vector<std::string>& values,
                 How how) {
  if (how == How::kWhole) {
    w.AddObjectUtf8(names, PaddedRow(values).data());
    return;
  }
  w.BeginValue(nullptr);
  for (size_t k = 0; k < values.size(); ++k)
    w.AddPairUtf8(names[k], values[k]);
  w.EndValue();
}

// Where the objects go: the elements of the array, the top value, or members of an object.
enum class Place { kArray, kTop, kInObject };

std::string Document(const Table& table, Format format, bool indent, Place place, How how) {
  return WriteWith(TempPath("whole"), [&](JSON& w, CFile& file) {
    w.SwitchIndent(indent ? 1 : 0);
    w.Open(&file, 0);
    w.SetBSON(format == Format::kBson ? 1 : 0);
    const ObjectNames names(table.names);
    // A second set of names between the rows, so that switching between them shows.
    std::vector<std::u16string> otherNames(table.names.size(), u"other");
    const ObjectNames other(otherNames);
    if (place == Place::kArray)
      w.Array(1, 1);
    if (place == Place::kInObject)
      w.BeginValue(nullptr);
    for (size_t r = 0; r < table.rows.size(); ++r) {
      WriteObject(w, r % 3 == 2 ? other : names, table.rows[r], how);
      if (place == Place::kTop)
        break;
    }
    w.Close();
  });
}

std::vector<std::u16string> Columns(size_t count) {
  std::vector<std::u16string> names;
  for (size_t k = 0; k < count; ++k)
    names.emplace_back(1 + k % 5, u'c');
  return names;
}

// Every byte that escaping treats apart, at every position of a 40-byte value.
Table EscapesEverywhere() {
  Table table{Columns(3), {}};
  for (const std::string& special :
       std::vector<std::string>{"\"", "\\", "\n", "\x01", "\x1f", "\x7f", "\xC3\xA9",
                                "\xF0\x9F\x98\x80", std::string(1, '\0')}) {
    for (size_t at = 0; at <= 40; ++at) {
      std::string value(40, 'a');
      value.insert(at, special);
      table.rows.push_back({value, value.substr(0, at), ""});
    }
  }
  return table;
}

Table ManyRows(size_t rows, size_t columns, size_t valueBytes) {
  Table table{Columns(columns), {}};
  for (size_t r = 0; r < rows; ++r) {
    std::vector<std::string> values;
    for (size_t k = 0; k < columns; ++k)
      values.push_back(std::string(valueBytes + (r + k) % 7, static_cast<char>('a' + k % 26)));
    table.rows.push_back(values);
  }
  return table;
}

struct TableCase {
  const char* label;
  Table table;
};

std::vector<TableCase> TableCases() {
  return {
      {"EscapesEverywhere", EscapesEverywhere()},
      // 1 MiB buffer edges crossed many times over.
      {"ManyRows", ManyRows(20000, 10, 8)},
      // Names: empty, with a NUL (a BSON key ends there), past the 32 bytes copied at once,
      // needing escapes, non-ASCII; duplicates kept.
      {"OddNames",
       {{u"", std::u16string(u"a\0b", 3), std::u16string(40, u'n'), u"q\"\\\n", u"Zürich 😀", u"dup",
         u"dup"},
        {{"1", "2", "3", "4", "5", "6", "7"}, {"", "", "", "", "", "", ""}}}},
      {"NoMembers", {{}, {{}, {}, {}}}},
      // An object too large for one piece goes member by member.
      {"HugeValues", {Columns(2), {{std::string(900000, 'h'), std::string(900000, '\n')}}}},
      {"ThousandColumns", ManyRows(30, 1000, 3)},
  };
}

void PrintTo(const TableCase& c, std::ostream* os) {
  *os << c.label;
}

class WholeObjects : public testing::TestWithParam<TableCase> {};

TEST_P(WholeObjects, HaveTheBytesOfTheStepByStepCalls) {
  const Table& table = GetParam().table;
  for (Format format : {Format::kJson, Format::kBson}) {
    for (bool indent : {true, false}) {
      for (Place place : {Place::kArray, Place::kTop, Place::kInObject}) {
        SCOPED_TRACE(testing::Message() << "bson " << (format == Format::kBson) << " indent "
                                        << indent << " place " << static_cast<int>(place));
        const std::string steps = Document(table, format, indent, place, How::kSteps);
        ASSERT_EQ(Document(table, format, indent, place, How::kWhole), steps);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, WholeObjects, testing::ValuesIn(TableCases()),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
