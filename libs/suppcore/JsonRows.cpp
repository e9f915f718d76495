#include "libs/suppcore/JsonRows.h"

#include <nlohmann/json.hpp>
#include <unordered_map>

namespace {

using json = nlohmann::json;

// A SAX handler rather than a parsed document: a document keeps one member per name,
// and the rows may repeat a name. Stopping at the first nested container also bounds the
// work on a hostile file.
class RowCollector {
 public:
  RowCollector(std::size_t maxColumns, JsonRowTable& table, std::string& error)
      : m_maxColumns(maxColumns), m_table(table), m_objects(table.objects), m_error(error) {}

  using Kind = JsonScalar::Kind;

  bool null() { return Scalar("null", Kind::kNull); }
  bool boolean(bool value) { return Scalar(value ? "true" : "false", Kind::kBoolean); }
  bool number_integer(json::number_integer_t value) {
    return Scalar(std::to_string(value), Kind::kNumber);
  }
  bool number_unsigned(json::number_unsigned_t value) {
    return Scalar(std::to_string(value), Kind::kNumber);
  }
  bool number_float(json::number_float_t, const json::string_t& text) {
    return Scalar(text, Kind::kNumber);
  }
  bool string(json::string_t& value) { return Scalar(std::move(value), Kind::kString); }
  bool binary(json::binary_t&) { return Fail("binary data"); }

  bool start_array(std::size_t) {
    if (m_depth != kDocument) {
      return Fail(m_depth == kArray ? "an element is an array, not an object"
                                    : "a member holds an array");
    }
    m_depth = kArray;
    return true;
  }
  bool end_array() {
    m_depth = kDocument;
    return true;
  }
  bool start_object(std::size_t) {
    if (m_depth != kArray) {
      return Fail(m_depth == kDocument ? "the document is an object, not an array"
                                       : "a member holds an object");
    }
    m_objects.emplace_back();
    m_taken.clear();
    m_depth = kObject;
    return true;
  }
  bool end_object() {
    m_depth = kArray;
    return true;
  }
  bool key(json::string_t& name) {
    m_skip = !Shown(name);
    if (!m_skip)
      m_objects.back().emplace_back(std::move(name), JsonScalar());
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const json::exception& ex) {
    m_error = ex.what();
    return false;
  }

 private:
  // Where the parser is: outside the array, inside it, inside one of its objects.
  enum Depth { kDocument, kArray, kObject };

  bool Scalar(std::string text, Kind kind) {
    if (m_depth != kObject) {
      return Fail(m_depth == kDocument ? "the document is not an array"
                                       : "an element is not an object");
    }
    if (m_skip)
      return true;
    m_objects.back().back().second = {std::move(text), kind};
    return true;
  }
  // Whether a member of this name, the next in its object, has a column to show it.
  bool Shown(const std::string& name) {
    if (m_objects.size() == 1) {
      ++m_table.columnCount;
      if (m_table.columns.size() == m_maxColumns)
        return false;
      m_table.columns.push_back(name);
      ++m_bearers[name];
      return true;
    }
    const auto bearers = m_bearers.find(name);
    return bearers != m_bearers.end() && m_taken[name]++ < bearers->second;
  }
  bool Fail(const char* reason) {
    m_error = reason;
    return false;
  }

  const std::size_t m_maxColumns;
  JsonRowTable& m_table;
  std::vector<JsonRowObject>& m_objects;
  std::string& m_error;
  Depth m_depth = kDocument;
  // The kept columns bearing each name, and the members of each taken in this object.
  std::unordered_map<std::string, std::size_t> m_bearers;
  std::unordered_map<std::string, std::size_t> m_taken;
  bool m_skip = false;  // the member under way has no column
};

}  // namespace

bool ParseJsonRows(std::istream& in, std::size_t maxColumns, JsonRowTable& table,
                   std::string& error) {
  RowCollector collector(maxColumns, table, error);
  return json::sax_parse(in, &collector);
}
