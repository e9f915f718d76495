#include "engine/plan/ColumnPlan.h"

#include "engine/EngineMessages.h"
#include "platform/core/CString.h"
#include "platform/core/Formatted.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

// A non-empty name by where its bytes lie: 12 bytes a name while the plan is made, not a
// string each (a header may hold millions).
struct Spot {
  std::uint32_t column;
  std::uint32_t begin;
  std::uint32_t size;
};

// A copy of a name and the number that its new name ends in.
struct Copy {
  std::uint32_t column;
  std::uint32_t number;
};

class CNameIndex {
 public:
  explicit CNameIndex(const NameList& names) : m_units(names.data()) {
    if (names.size() > UINT32_MAX)
      throw std::length_error("a header of 4 Gi columns or more");
    std::uint32_t column = 0;
    for (const std::string_view name : names) {
      if (!name.empty())
        m_spots.push_back({column, static_cast<std::uint32_t>(name.data() - m_units),
                           static_cast<std::uint32_t>(name.size())});
      ++column;
    }
    // Equal names next to each other, in column order.
    std::sort(m_spots.begin(), m_spots.end(), [this](const Spot& a, const Spot& b) {
      const int order = Text(a).compare(Text(b));
      return order != 0 ? order < 0 : a.column < b.column;
    });
  }

  std::string_view Text(const Spot& spot) const { return {m_units + spot.begin, spot.size}; }
  const std::vector<Spot>& Spots() const { return m_spots; }
  bool Holds(std::string_view name) const {
    const auto at = std::lower_bound(
        m_spots.begin(), m_spots.end(), name,
        [this](const Spot& spot, std::string_view text) { return Text(spot) < text; });
    return at != m_spots.end() && Text(*at) == name;
  }

 private:
  const char* m_units;
  std::vector<Spot> m_spots;
};

std::string Numbered(std::string_view name, std::uint32_t number) {
  return std::string(name).append("_").append(std::to_string(number));
}

// The copies of every name that an earlier column holds, with their numbers: a new name
// of one name can never be that of another (the number holds no '_'), so only the
// header's own names are in the way.
std::vector<Copy> CopiesOf(const CNameIndex& index) {
  std::vector<Copy> copies;
  const std::vector<Spot>& spots = index.Spots();
  for (std::size_t first = 0, k = 1; k < spots.size(); ++k) {
    const std::string_view name = index.Text(spots[first]);
    if (index.Text(spots[k]) != name) {
      first = k;
      continue;
    }
    // Past the first copy, on from the number the one before took.
    std::uint32_t number = k == first + 1 ? 2 : copies.back().number + 1;
    while (index.Holds(Numbered(name, number)))
      ++number;
    copies.push_back({spots[k].column, number});
  }
  std::sort(copies.begin(), copies.end(),
            [](const Copy& a, const Copy& b) { return a.column < b.column; });
  return copies;
}

}  // namespace

COutputNames::COutputNames(const NameList& columnNames) : m_columnNames(columnNames) {
  std::vector<Copy> copies = CopiesOf(CNameIndex(columnNames));
  m_renamedCount = copies.size();
  if (copies.empty())
    return;
  m_names.Reserve(columnNames.size(), 0);
  auto copy = copies.begin();
  std::uint32_t column = 0;
  for (const std::string_view name : columnNames) {
    if (copy != copies.end() && copy->column == column) {
      const std::string renamed = Numbered(name, copy->number);
      if (m_renamed.size() < kRenamedKept)
        m_renamed.push_back({column, Utf8ToUtf16(name), Utf8ToUtf16(renamed)});
      m_names.Append(renamed);
      ++copy;
    } else {
      m_names.Append(name);
    }
    ++column;
  }
}

namespace {

// A name as a message shows it: a long one cut, since a header may hold anything.
std::u16string Shown(const std::u16string& name) {
  constexpr std::size_t kShownUnits = 40;
  return name.size() <= kShownUnits ? name : name.substr(0, kShownUnits) + u"\u2026";
}

}  // namespace

CString RenamedColumnsText(std::size_t count, const std::vector<RenamedColumn>& renamed) {
  if (count == 0)
    return {};
  CString list;
  const std::size_t shown = std::min(renamed.size(), EngineMessages::kRenamedShown);
  for (std::size_t k = 0; k < shown; ++k) {
    if (k > 0)
      list += u", ";
    list += Formatted(EngineMessages::kRenamed, Shown(renamed[k].name).c_str(),
                      Shown(renamed[k].outputName).c_str());
  }
  if (count > shown)
    list += Formatted(EngineMessages::kMoreRenamed, static_cast<long long>(count - shown));
  return Formatted(EngineMessages::kColumnsRenamed, static_cast<long long>(count),
                   list.GetString());
}
