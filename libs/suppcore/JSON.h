// JSON: the document writer. It writes one JSON document (UTF-8 without a mark, valid by
// RFC 8259, every value a string, two-space indentation, one member a line, a final line
// feed), or after SetBSON(1) the same rows as BSON: one BSON document per row, one after
// another, each holding the row's string elements in the order given.
//
// Call sequence for an array of objects:
//   SwitchIndent(1); Open(&file, 0); SetBSON(flag); Array(1, 1);
//   per row:  [EndOfPair() before every row but the first] SetIndent(1); BeginValue(nullptr);
//             per pair: [EndOfPair() before every pair but the first] WriteIndent();
//                       AddPair(name, value);
//             SetIndent(0); EndValue();
//   Array(0, 1); Close();
// Separators come only from EndOfPair(); SwitchIndent, SetIndent and WriteIndent change the
// layout only. The writer does not own the file: it writes to it through a large buffer and
// Close() hands over everything pending. A write error of the file passes through as the
// file's CFileException.
#pragma once

#include <memory>
#include <string_view>

#include "libs/suppcore/ObjectNames.h"
#include "platform/core/CString.h"
#include "platform/core/File.h"

class JSON {
 public:
  JSON();
  virtual ~JSON();
  JSON(const JSON&) = delete;
  JSON& operator=(const JSON&) = delete;

  void SwitchIndent(int on);
  // Binds the writer to an open file; flags is unused (0). Returns non-zero.
  BOOL Open(CFile* file, int flags);
  // Chooses BSON (non-zero) or JSON for the whole document; called before the first element.
  void SetBSON(int bson);
  // open 1 begins the array, 0 ends it; newLine asks for the array's brackets on lines of
  // their own.
  void Array(int open, int newLine);
  void EndOfPair();
  void SetIndent(int level);
  // Begins an object; a null name makes it an element of the enclosing array.
  void BeginValue(LPCWSTR name);
  void EndValue();
  void WriteIndent();
  void AddPair(const CString& name, const CString& value);
  void AddPair(std::u16string_view name, std::u16string_view value);
  // The same with the value as well-formed UTF-8 bytes, written without a detour through
  // UTF-16.
  void AddPairUtf8(std::u16string_view name, std::string_view valueUtf8);
  // A whole object of names.size() pairs, names[k]: valuesUtf8[k], in one call: the same
  // as BeginValue(nullptr), AddPairUtf8 for each pair and EndValue(), several times faster
  // for the rows of a table. Each value is well-formed UTF-8 followed by kValueSlack
  // readable bytes, which the writer may read but ignores.
  static constexpr size_t kValueSlack = 16;
  void AddObjectUtf8(const ObjectNames& names, const std::string_view* valuesUtf8);
  // Writes everything pending to the file; the writer no longer touches it afterwards.
  void Close();

  // Renders a JSON file written by this class (an array of objects) as an HTML page.
  // Returns the page's title text, empty when the JSON file could not be read.
  static CString ToHTML(LPCWSTR jsonPath, LPCWSTR htmlPath, int flags);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
