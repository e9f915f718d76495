#include "OutputRows.h"

#include <bson/bson.h>

#include <nlohmann/json.hpp>
#include <regex>

namespace outputrows {
namespace {

// Collects the members of each object of the top-level array; any other shape fails.
class RowCollector : public nlohmann::json_sax<nlohmann::json> {
 public:
  Rows rows;

  explicit RowCollector(bool typed) : m_typed(typed) {}
  bool null() override { return false; }
  bool boolean(bool b) override { return Typed(b ? "true" : "false"); }
  // Only "-0" reaches here as 0: non-negative integers come as unsigned.
  bool number_integer(number_integer_t n) override { return Typed(n ? std::to_string(n) : "-0"); }
  bool number_unsigned(number_unsigned_t n) override { return Typed(std::to_string(n)); }
  bool number_float(number_float_t, const string_t& text) override { return Typed(text); }
  bool binary(binary_t&) override { return false; }
  bool string(string_t& value) override {
    return Value(m_typed ? nlohmann::json(value).dump() : value);
  }
  bool key(string_t& name) override {
    m_key = name;
    return m_depth == 2;
  }
  bool start_object(std::size_t) override {
    if (m_depth != 1)
      return false;
    rows.emplace_back();
    ++m_depth;
    return true;
  }
  bool end_object() override {
    --m_depth;
    return true;
  }
  bool start_array(std::size_t) override { return m_depth++ == 0; }
  bool end_array() override {
    --m_depth;
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool Value(const std::string& value) {
    if (m_depth != 2 || !m_key)
      return false;
    rows.back().emplace_back(std::move(*m_key), value);
    m_key.reset();
    return true;
  }
  bool Typed(const std::string& text) { return m_typed && Value(text); }

  bool m_typed;
  int m_depth = 0;
  std::optional<std::string> m_key;
};

}  // namespace

std::optional<Rows> JsonRows(const std::string& text, bool typed) {
  RowCollector collector(typed);
  if (!nlohmann::json::sax_parse(text, &collector, nlohmann::json::input_format_t::json, true))
    return std::nullopt;
  return collector.rows;
}

std::optional<Rows> JsonLinesRows(const std::string& text, bool typed) {
  Rows rows;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = text.find('\n', from);
    if (end == std::string::npos)
      return std::nullopt;
    const std::string line = text.substr(from, end - from);
    std::optional<Rows> one = JsonRows("[" + line + "]", typed);
    if (!one || one->size() != 1)
      return std::nullopt;
    // Compact: the line is exactly its members written without any space. Appended, as
    // GCC 12 at -O3 warns falsely (-Wrestrict) on a literal + a temporary string.
    std::string compact = "{";
    for (const auto& [name, value] : one->front())
      compact.append(compact.size() > 1 ? "," : "")
          .append(nlohmann::json(name).dump())
          .append(":")
          .append(typed ? value : nlohmann::json(value).dump());
    if (line != compact + "}")
      return std::nullopt;
    rows.push_back(std::move(one->front()));
    from = end + 1;
  }
  return rows;
}

// A typed value written as a Decimal128 is an object in libbson's JSON ({ "$numberDecimal"
// : "1E-400" }): its text alone, a JSON number, stands for it. Such a pattern can't occur
// inside a string, whose quotes are escaped.
namespace {
std::string BareDecimals(const std::string& json) {
  static const std::regex decimal(R"re(\{ "\$numberDecimal" : "([-+.0-9Ee]+)" \})re");
  return std::regex_replace(json, decimal, "$1");
}
}  // namespace

// Each document as libbson writes it in JSON: strings stay strings, numbers and booleans
// stay so, other types become objects, which JsonRows refuses, as it refuses text that is
// not UTF-8.
std::optional<Rows> BsonRows(const std::string& bytes, bool typed) {
  bson_reader_t* reader =
      bson_reader_new_from_data(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  Rows rows;
  bool atEnd = false;
  while (const bson_t* document = bson_reader_read(reader, &atEnd)) {
    char* json = bson_as_relaxed_extended_json(document, nullptr);
    const std::optional<Rows> row =  // no literal + temporary string: see above
        json ? JsonRows(std::string("[") + BareDecimals(json) + "]", typed) : std::nullopt;
    bson_free(json);
    if (!row || row->size() != 1) {
      atEnd = false;
      break;
    }
    rows.push_back(row->front());
  }
  bson_reader_destroy(reader);
  return atEnd ? std::optional(rows) : std::nullopt;
}

}  // namespace outputrows
