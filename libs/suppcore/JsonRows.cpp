#include "libs/suppcore/JsonRows.h"

#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::json;

// A SAX handler rather than a parsed document: a document keeps one member per name,
// and the rows may repeat a name. Stopping at the first nested container also bounds the
// work on a hostile file.
class RowCollector {
 public:
  RowCollector(std::vector<JsonRowObject>& objects, std::string& error)
      : m_objects(objects), m_error(error) {}

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
    m_depth = kObject;
    return true;
  }
  bool end_object() {
    m_depth = kArray;
    return true;
  }
  bool key(json::string_t& name) {
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
    m_objects.back().back().second = {std::move(text), kind};
    return true;
  }
  bool Fail(const char* reason) {
    m_error = reason;
    return false;
  }

  std::vector<JsonRowObject>& m_objects;
  std::string& m_error;
  Depth m_depth = kDocument;
};

}  // namespace

bool ParseJsonRows(std::string_view text, std::vector<JsonRowObject>& objects, std::string& error) {
  RowCollector collector(objects, error);
  return json::sax_parse(text, &collector);
}
