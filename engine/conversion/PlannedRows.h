// CPlannedRows: rows on their way to the writer through a column plan that is not a
// pass-through: each row's values picked in the plan's order and typed. While the plan
// samples (an Automatic column waits for the source's start), the picked values are held
// in memory, and written once Flush has the plan decide: this works from a pipe too, which
// can't be read twice.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/plan/PlannedColumns.h"
#include "engine/rows/DelimitedTextReader.h"
#include "libs/suppcore/JSON.h"

class CPlannedRows {
 public:
  CPlannedRows(CColumnPlan& plan, JSON& writer, const ObjectNames& names);

  // Writes the reader's row, or holds it while the plan samples.
  void Take(CDelimitedTextReader& reader);
  // Ends the sample: the plan decides, and the rows held are written in order.
  void Flush();
  // The line of the row written last, for a failure to write it.
  std::int64_t Line() const { return m_line; }

 private:
  const std::string_view* RowOf(CDelimitedTextReader& reader);
  void Write(const std::string_view* picked);

  CColumnPlan& m_plan;
  JSON& m_writer;
  const ObjectNames& m_names;
  std::vector<std::string_view> m_picked;
  std::vector<TypedValue> m_cells;
  // A row too wide to be held by the reader, copied whole.
  std::string m_wide;
  std::vector<std::string_view> m_wideValues;
  void Hold(std::string_view value);

  // The rows held while sampling: their picked values, each ended by a NUL (which no value
  // holds), in blocks that are never moved or grown, so that holding 16 MiB takes about
  // that much and no more; and each row's line.
  std::vector<std::string> m_held;
  std::vector<std::int64_t> m_heldLines;
  std::int64_t m_line = 0;
};
