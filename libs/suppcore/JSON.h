// JSON: the document writer. It writes one array of objects whose members are strings,
// either as JSON (UTF-8 without a mark, valid by RFC 8259, two-space indentation, one
// member a line, a final line feed); after SetJsonLines(1), as JSON Lines: each object
// compact on a line of its own, no array around them; or, after SetBSON(1), as BSON: one
// BSON document per object, one after another, each holding the object's string elements
// in order; or, after SetExtendedJson(1), as canonical Extended JSON, one object a line.
// An empty array is an empty file in JSON Lines, Extended JSON and BSON. A planned row's
// typed values (a column plan's) are written as their types say: in JSON without quotes,
// their text as it stands; in BSON as a boolean, an int32, an int64, a double or a date.
//
// The conversion's call sequence:
//   Open(&file, 0); SetBSON(flag); [SetJsonLines(flag);]
//   Array(1, 1); per row: AddObjectUtf8(names, values); Array(0, 1); Close();
// The writer puts the commas and line breaks itself. Calls that do not fit this sequence
// (a row outside the array, a second array) are ignored.
//
// The writer does not own the file: it writes to it through a 1 MiB buffer, and Close()
// hands over everything pending. Past the first 1 MiB, full blocks are written on a thread
// of its own while the next ones are encoded (WriteBuffer.h), so the file must stay open
// until Close or the writer's destruction, which drops what is not written yet. A write
// error of the file passes through as the file's CFileException, at a later row or at
// Close, and a BSON row over BSON's 2 GiB limit throws one (EFBIG). After Close, also one
// that throws, the writer no longer touches the file.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "libs/suppcore/DocumentEncoder.h"
#include "libs/suppcore/HtmlPage.h"
#include "libs/suppcore/ObjectNames.h"
#include "platform/core/CString.h"
#include "platform/core/File.h"
#include "platform/core/Simd.h"

class JSON {
 public:
  JSON();
  virtual ~JSON();
  JSON(const JSON&) = delete;
  JSON& operator=(const JSON&) = delete;

  // Binds the writer to an open file and starts a new document; flags is unused. Returns
  // non-zero when file is not null.
  BOOL Open(CFile* file, int flags);
  // Chooses BSON (non-zero) or JSON; ignored once the array has begun.
  void SetBSON(int bson);
  // Chooses JSON Lines (non-zero) or indented JSON when BSON is not chosen; ignored once
  // the array has begun.
  void SetJsonLines(int lines);
  // Chooses canonical Extended JSON, one object a line (non-zero), over the others;
  // ignored once the array has begun.
  void SetExtendedJson(int extended);
  // open 1 begins the array, open 0 ends it; newLine is unused.
  void Array(int open, int newLine);
  // Instead of Array(1, 1): the rows written from now on continue an array that another
  // writer began and holds rowsBefore rows, and Close writes only them, without the
  // array's end; every write stays on the calling thread. For a part of a document encoded
  // on a thread of its own.
  void ContinueArray(std::size_t rowsBefore);
  // Within the array: rows encoded by a writer that continued it, in order after those
  // written so far; every write from now on is made on the calling thread.
  void WriteHere();
  void AddEncodedRows(std::string_view bytes, std::size_t rows);

  // Writes one element of the array, the object names[k]: valuesUtf8[k]. Each value is well-formed
  // UTF-8 followed by kSimdPadding readable bytes, which the writer may read but ignores.
  static constexpr std::size_t kValueSlack = kSimdPadding;
  void AddObjectUtf8(const ObjectNames& names, const std::string_view* valuesUtf8);
  // The same for a row too wide to be held at once, its values read a window at a time.
  void AddWideObjectUtf8(const ObjectNames& names, const RowWindows& row);
  // The same, each value written as cells[k] says (a column plan's types).
  void AddPlannedObjectUtf8(const ObjectNames& names, const std::string_view* valuesUtf8,
                            const TypedValue* cells);
  // The same with the members nested as shape says (dotted names made objects).
  void AddNestedObjectUtf8(const ObjectShape& shape, const std::string_view* valuesUtf8,
                           const TypedValue* cells);

  // Ends whatever is still open, writes everything pending to the file and flushes it;
  // the writer no longer touches the file afterwards, also when this throws. Writes
  // nothing when the array was never begun.
  void Close();

  // Renders a JSON file written by this class (an array of objects) as an HTML page.
  // Returns the page's title text, empty when the JSON file could not be read.
  static CString ToHTML(LPCWSTR jsonPath, LPCWSTR htmlPath, int flags);
  // The same, with notes shown under the table and lead paragraphs above it. The page is
  // bounded (HtmlPage.h: columns, characters a cell, page size) and says what it cut.
  // places: where each row read comes from, rows left out included (HtmlPage.h); types:
  // each column's type by its name, shown under the names when given.
  static CString ToHTML(LPCWSTR jsonPath, LPCWSTR htmlPath, int flags,
                        const std::vector<CString>& notes, const std::vector<CString>& lead = {},
                        const std::vector<HtmlRowPlace>& places = {},
                        const std::vector<std::pair<std::string, std::string>>& types = {});

 private:
  void MakeEncoder();
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
