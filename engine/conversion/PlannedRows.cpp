#include "engine/conversion/PlannedRows.h"

#include <algorithm>

#include "platform/core/Simd.h"

CPlannedRows::CPlannedRows(CColumnPlan& plan, JSON& writer, const ObjectNames& names)
    : m_plan(plan),
      m_writer(writer),
      m_names(names),
      m_picked(plan.Columns().size()),
      m_cells(plan.Columns().size()) {}

// A wide row's values are copied, each view followed by the next values or the padding.
const std::string_view* CPlannedRows::RowOf(CDelimitedTextReader& reader) {
  if (reader.RowHeld())
    return reader.Values();
  m_wide.clear();
  std::vector<std::uint32_t> sizes;
  reader.ForEachWindow(
      [&](const std::string_view*, const std::string_view* values, std::size_t count) {
        for (std::size_t k = 0; k < count; ++k) {
          m_wide.append(values[k]);
          sizes.push_back(static_cast<std::uint32_t>(values[k].size()));
        }
      });
  m_wide.append(kSimdPadding, '\0');
  m_wideValues.clear();
  std::size_t at = 0;
  for (const std::uint32_t size : sizes) {
    m_wideValues.emplace_back(m_wide.data() + at, size);
    at += size;
  }
  return m_wideValues.data();
}

void CPlannedRows::Take(CDelimitedTextReader& reader) {
  m_plan.Pick(RowOf(reader), m_picked.data());
  m_line = reader.LineNumber();
  if (!m_plan.Sampling()) {
    Write(m_picked.data());
    return;
  }
  m_plan.Observe(m_picked.data());
  for (const std::string_view value : m_picked)
    Hold(value);
  m_heldLines.push_back(m_line);
}

// A value never spans two blocks; each block keeps room for the padding after its last.
void CPlannedRows::Hold(std::string_view value) {
  constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
  const std::size_t room = value.size() + 1 + kSimdPadding;
  if (m_held.empty() || m_held.back().capacity() - m_held.back().size() < room)
    m_held.emplace_back().reserve(std::max(kBlockBytes, room));
  m_held.back().append(value).push_back('\0');
}

void CPlannedRows::Flush() {
  if (!m_plan.Sampling())
    return;
  m_plan.Decide();
  for (std::string& block : m_held)
    block.append(kSimdPadding, '\0');
  auto block = m_held.begin();
  std::size_t at = 0;
  for (const std::int64_t line : m_heldLines) {
    for (std::string_view& value : m_picked) {
      // The padding begins where a block's values end.
      if (at + kSimdPadding == block->size()) {
        ++block;
        at = 0;
      }
      const std::size_t end = block->find('\0', at);
      value = {block->data() + at, end - at};
      at = end + 1;
    }
    m_line = line;
    Write(m_picked.data());
  }
  std::vector<std::string>().swap(m_held);
  std::vector<std::int64_t>().swap(m_heldLines);
}

void CPlannedRows::Write(const std::string_view* picked) {
  if (!m_plan.Typed()) {
    m_writer.AddObjectUtf8(m_names, picked);
    return;
  }
  m_plan.Type(picked, m_cells.data());
  if (m_plan.Nested())
    m_writer.AddNestedObjectUtf8(m_plan.Shape(), picked, m_cells.data());
  else
    m_writer.AddPlannedObjectUtf8(m_names, picked, m_cells.data());
}
