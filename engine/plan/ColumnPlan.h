// The plan says which of the header's columns a row's object carries, and under which
// names. Every column is kept, in the header's order, under its name as the header holds
// it, except that a name the header holds more than once is written once: readers of JSON
// and BSON keep only one of two equal names, so writing both would lose a column's values.
// Choosing, renaming and typing columns are decided here too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/rows/FieldList.h"
#include "platform/core/CString.h"

// A column whose name an earlier column holds, and the name it is written under.
struct RenamedColumn {
  std::size_t column = 0;  // from 0
  std::u16string name;
  std::u16string outputName;
};

class COutputNames {
 public:
  // Renamed columns described, at most; the rest are counted.
  static constexpr std::size_t kRenamedKept = 100;

  // The second and later copies of a name become name_2, name_3, ...: the first such
  // name that no column holds and no other copy took. Empty names stay as they are.
  explicit COutputNames(const NameList& columnNames);
  COutputNames(const COutputNames&) = delete;
  COutputNames& operator=(const COutputNames&) = delete;

  // The member names of each row's object, one for each column of the header. While no
  // name repeats they are the header's names themselves: a copy would cost as much again
  // on a header of millions of columns.
  const NameList& Names() const { return m_renamedCount == 0 ? m_columnNames : m_names; }
  std::size_t RenamedCount() const { return m_renamedCount; }
  // The first kRenamedKept renamed columns, in column order.
  const std::vector<RenamedColumn>& Renamed() const { return m_renamed; }

 private:
  const NameList& m_columnNames;
  NameList m_names;
  std::size_t m_renamedCount = 0;
  std::vector<RenamedColumn> m_renamed;
};

// What the front ends say of renamed columns: how many and the first of them; empty when
// none was renamed.
CString RenamedColumnsText(std::size_t count, const std::vector<RenamedColumn>& renamed);
