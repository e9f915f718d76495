#include "engine/plan/PlannedColumns.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "libs/suppcore/IsoDate.h"

namespace {

// The types a value fits, as bits; a column's are those all of its values fit.
enum Fits : std::uint8_t {
  kFitsBoolean = 1,
  kFitsInteger = 2,
  kFitsNumber = 4,
  kFitsDate = 8,
  kFitsAll = 15,
};

std::uint8_t FitsOf(std::string_view value) {
  switch (TypeOfValue(value)) {
    case ValueType::kBoolean:
      return kFitsBoolean;
    case ValueType::kInteger:
      return kFitsInteger | kFitsNumber;
    case ValueType::kNumber:
    case ValueType::kDecimal:
      return kFitsNumber;
    default: {
      std::int64_t milliseconds = 0;
      return ParseIsoDate(value, milliseconds) ? kFitsDate : 0;
    }
  }
}

ColumnType Narrowest(std::uint8_t fits) {
  if (fits & kFitsBoolean)
    return ColumnType::Boolean;
  if (fits & kFitsInteger)
    return ColumnType::Integer;
  if (fits & kFitsNumber)
    return ColumnType::Number;
  if (fits & kFitsDate)
    return ColumnType::Date;
  return ColumnType::Text;
}

// Names listed in a message: enough to find the one meant, never a whole wide header.
constexpr std::size_t kNamesListed = 50;

std::string Quoted(std::string_view name) {
  return "\"" + std::string(name) + "\"";
}

std::string NamesText(const std::vector<std::string_view>& names) {
  std::string text;
  for (std::size_t k = 0; k < names.size() && k < kNamesListed; ++k)
    text.append(k > 0 ? ", " : "").append(Quoted(names[k]));
  if (names.size() > kNamesListed)
    text.append(" and ").append(std::to_string(names.size() - kNamesListed)).append(" more");
  return text;
}

class CHeaderIndex {
 public:
  explicit CHeaderIndex(const NameList& names) {
    for (const std::string_view name : names) {
      m_index.emplace(name, static_cast<std::uint32_t>(m_names.size()));
      m_names.push_back(name);
    }
  }
  const std::vector<std::string_view>& Names() const { return m_names; }
  const std::uint32_t* Find(const std::string& name) const {
    const auto found = m_index.find(name);
    return found == m_index.end() ? nullptr : &found->second;
  }

 private:
  std::vector<std::string_view> m_names;
  std::unordered_map<std::string_view, std::uint32_t> m_index;  // the first of equal names
};

void ThrowUnknown(const CHeaderIndex& header, const ColumnRecipe& recipe) {
  std::vector<std::string_view> unknown;
  for (const auto* list : {&recipe.columns, &recipe.changes})
    for (const ColumnChoice& choice : *list)
      if (!header.Find(choice.name) &&
          std::find(unknown.begin(), unknown.end(), choice.name) == unknown.end())
        unknown.push_back(choice.name);
  if (unknown.empty())
    return;
  throw PlanMismatch{PlanMismatch::Kind::UnknownNames,
                     (unknown.size() == 1 ? "no column named " : "no columns named ") +
                         NamesText(unknown) + "; the columns are " + NamesText(header.Names())};
}

// Two columns under one name would lose one of them in every reader; empty names may
// repeat, as the header's own do.
void ThrowSameName(const std::vector<PlannedColumn>& columns, const NameList& names,
                   const CHeaderIndex& header) {
  std::unordered_map<std::string_view, std::size_t> seen;
  std::size_t k = 0;
  for (const std::string_view name : names) {
    if (!name.empty()) {
      const auto [at, added] = seen.emplace(name, k);
      if (!added)
        throw PlanMismatch{PlanMismatch::Kind::SameOutputName,
                           "columns " + Quoted(header.Names()[columns[at->second].source]) +
                               " and " + Quoted(header.Names()[columns[k].source]) +
                               " would both be written as " + Quoted(name)};
    }
    ++k;
  }
}

// A dotted name nests under each of its prefixes, which then can't hold a value.
void ThrowNestConflict(const NameList& names) {
  std::unordered_set<std::string_view> values(names.begin(), names.end());
  for (const std::string_view name : names) {
    for (std::size_t dot = name.find('.'); dot != std::string_view::npos;
         dot = name.find('.', dot + 1)) {
      const std::string_view parent = name.substr(0, dot);
      if (values.count(parent))
        throw PlanMismatch{PlanMismatch::Kind::NestConflict,
                           "column " + Quoted(parent) + " holds a value, so column " +
                               Quoted(name) + " can't be nested in it"};
    }
  }
}

}  // namespace

CColumnPlan::CColumnPlan(const NameList& names, const ColumnRecipe& recipe)
    : m_outputNames(&names) {
  const bool named = recipe.listed || !recipe.changes.empty();
  if (!named && recipe.type == ColumnType::Text && recipe.empty == EmptyValue::Text && !recipe.nest)
    return;  // nothing to look at: a header may hold millions of names
  if (named)
    Name(names, recipe);
  else
    for (std::uint32_t source = 0; source < names.size(); ++source)
      m_columns.push_back({source, recipe.type, recipe.empty});
  if (recipe.nest) {
    ThrowNestConflict(*m_outputNames);
    Nest();
  }
  m_passThrough = m_outputNames == &names && !m_nested;
  for (std::size_t k = 0; k < m_columns.size(); ++k) {
    const PlannedColumn& column = m_columns[k];
    const bool plain = column.type == ColumnType::Text && column.empty == EmptyValue::Text;
    m_passThrough = m_passThrough && plain;
    m_typed = m_typed || !plain || m_nested;
    m_sampling = m_sampling || column.type == ColumnType::Automatic;
  }
  FindActive();
  m_fits.assign(m_sampling ? m_columns.size() : 0, kFitsAll);
  m_seen.assign(m_sampling ? m_columns.size() : 0, false);
}

// Resolves the columns the recipe names; the names are the header's unless a column is
// left out, moved or renamed.
void CColumnPlan::Name(const NameList& names, const ColumnRecipe& recipe) {
  const CHeaderIndex header(names);
  ThrowUnknown(header, recipe);
  std::vector<std::string_view> outputNames;
  const auto add = [&](std::uint32_t source, const ColumnChoice* choice) {
    PlannedColumn column{source, recipe.type, recipe.empty};
    std::string_view name = header.Names()[source];
    if (choice) {
      column.type = choice->type.value_or(column.type);
      column.empty = choice->empty.value_or(column.empty);
      if (choice->as)
        name = *choice->as;
    }
    m_columns.push_back(column);
    outputNames.push_back(name);
  };
  if (recipe.listed) {
    for (const ColumnChoice& choice : recipe.columns)
      if (choice.keep)
        add(*header.Find(choice.name), &choice);
  } else {
    for (std::uint32_t source = 0; source < header.Names().size(); ++source)
      add(source, nullptr);
  }
  for (const ColumnChoice& change : recipe.changes) {
    const std::uint32_t source = *header.Find(change.name);
    for (std::size_t k = 0; k < m_columns.size(); ++k) {
      if (m_columns[k].source != source)
        continue;
      m_columns[k].type = change.type.value_or(m_columns[k].type);
      m_columns[k].empty = change.empty.value_or(m_columns[k].empty);
      if (change.as)
        outputNames[k] = *change.as;
    }
  }
  bool same = outputNames.size() == header.Names().size();
  for (std::size_t k = 0; same && k < outputNames.size(); ++k)
    same = m_columns[k].source == k && outputNames[k] == header.Names()[k];
  if (same)
    return;
  for (const std::string_view name : outputNames)
    m_names.Append(name);
  m_outputNames = &m_names;
  ThrowSameName(m_columns, m_names, header);
}

namespace {

// A dotted name's objects and members as a tree, each level in the order its first
// member came.
struct NameNode {
  std::string name;
  std::uint32_t column = 0;  // a member's
  bool object = false;
  std::vector<NameNode> children;
  std::unordered_map<std::string, std::size_t> objects;  // by name, among children

  NameNode& Object(const std::string& part) {
    const auto [at, added] = objects.emplace(part, children.size());
    if (added)
      children.push_back({part, 0, true, {}, {}});
    return children[at->second];
  }
};

// The members in the tree's order, and what begins and ends before each.
void Flatten(const NameNode& node, ObjectShape& shape, std::vector<std::uint32_t>& order,
             ShapedMember& next) {
  for (const NameNode& child : node.children) {
    if (!child.object) {
      next.name = child.name;
      shape.members.push_back(std::move(next));
      order.push_back(child.column);
      next = {};
      continue;
    }
    next.begins.push_back(child.name);
    Flatten(child, shape, order, next);
    ++next.ends;
  }
}

}  // namespace

// Orders the columns so that each object's members follow one another, where its first
// member stood.
void CColumnPlan::Nest() {
  NameNode root;
  std::uint32_t column = 0;
  for (const std::string_view name : *m_outputNames) {
    NameNode* node = &root;
    std::size_t start = 0;
    for (std::size_t dot = name.find('.'); dot != std::string_view::npos;
         dot = name.find('.', start)) {
      node = &node->Object(std::string(name.substr(start, dot - start)));
      start = dot + 1;
    }
    node->children.push_back({std::string(name.substr(start)), column++, false, {}, {}});
  }
  std::vector<std::uint32_t> order;
  ShapedMember next;
  Flatten(root, m_shape, order, next);
  m_shape.endsAfter = next.ends;
  std::vector<PlannedColumn> columns;
  NameList names;
  for (const std::uint32_t k : order) {
    columns.push_back(m_columns[k]);
    names.Append((*m_outputNames)[k]);
  }
  m_columns = std::move(columns);
  m_names = std::move(names);
  m_outputNames = &m_names;
  m_nested = true;
}

void CColumnPlan::FindActive() {
  m_active.clear();
  for (std::uint32_t k = 0; k < m_columns.size(); ++k)
    if (m_columns[k].type != ColumnType::Text || m_columns[k].empty != EmptyValue::Text)
      m_active.push_back(k);
}

void CColumnPlan::Observe(const std::string_view* picked) {
  for (std::size_t k = 0; k < m_columns.size(); ++k) {
    if (m_columns[k].type != ColumnType::Automatic || picked[k].empty() || m_fits[k] == 0)
      continue;
    m_fits[k] &= FitsOf(picked[k]);
    m_seen[k] = true;
  }
}

void CColumnPlan::Decide() {
  m_typed = m_nested;
  for (std::size_t k = 0; k < m_columns.size(); ++k) {
    PlannedColumn& column = m_columns[k];
    if (column.type == ColumnType::Automatic)
      column.type = m_seen[k] ? Narrowest(m_fits[k]) : ColumnType::Text;
    m_typed = m_typed || column.type != ColumnType::Text || column.empty != EmptyValue::Text;
  }
  m_sampling = false;
  FindActive();
}

namespace {

// What a value becomes under its column's type; false when the type can't hold it. With
// kKindsOnly, only the cell's type is set, which is all a writer of the text as it stands
// needs: the value's bits are not worked out.
template <bool kKindsOnly>
[[gnu::always_inline]] inline ValueType TypeOf(std::string_view value, TypedValue& cell) {
  if constexpr (kKindsOnly)
    cell.type = TypeOfValue(value);
  else
    cell = ParseTypedValue(value);
  return cell.type;
}

template <bool kKindsOnly>
[[gnu::always_inline]] inline bool TypedAs(ColumnType type, std::string_view value,
                                           TypedValue& cell) {
  switch (type) {
    case ColumnType::Text:
    case ColumnType::Automatic:
      break;
    case ColumnType::Integer:
      return TypeOf<kKindsOnly>(value, cell) == ValueType::kInteger;
    case ColumnType::Number: {
      // Each number as exactly as BSON holds it: an integer, a double or a decimal.
      const ValueType found = TypeOf<kKindsOnly>(value, cell);
      return found == ValueType::kInteger || found == ValueType::kNumber ||
             found == ValueType::kDecimal;
    }
    case ColumnType::Decimal: {
      const ValueType found = TypeOfValue(value);
      cell.type = ValueType::kDecimal;
      return found == ValueType::kInteger || found == ValueType::kNumber ||
             found == ValueType::kDecimal;
    }
    case ColumnType::Boolean:
      return TypeOf<kKindsOnly>(value, cell) == ValueType::kBoolean;
    case ColumnType::Date:
      cell.type = ValueType::kDate;
      return ParseIsoDate(value, cell.integer);
  }
  cell.type = ValueType::kString;
  return true;
}

}  // namespace

template <bool kKindsOnly>
void CColumnPlan::TypeRow(const std::string_view* picked, TypedValue* cells) {
  for (const std::uint32_t k : m_active) {
    PlannedColumn& column = m_columns[k];
    TypedValue& cell = cells[k];
    if (picked[k].empty()) {
      cell.type = column.empty == EmptyValue::Null   ? ValueType::kNull
                  : column.empty == EmptyValue::Omit ? ValueType::kAbsent
                                                     : ValueType::kString;
    } else if (!TypedAs<kKindsOnly>(column.type, picked[k], cell)) {
      cell.type = ValueType::kString;
      ++column.leftAsText;
    }
  }
}

void CColumnPlan::Type(const std::string_view* picked, TypedValue* cells) {
  if (m_kindsOnly)
    TypeRow<true>(picked, cells);
  else
    TypeRow<false>(picked, cells);
}

std::int64_t CColumnPlan::LeftAsText() const {
  std::int64_t count = 0;
  for (const PlannedColumn& column : m_columns)
    count += column.leftAsText;
  return count;
}

CColumnPlan::CColumnPlan(const CColumnPlan& decided, bool)
    : m_columns(decided.m_columns),
      m_active(decided.m_active),
      m_outputNames(decided.m_outputNames == &decided.m_names ? &m_names : decided.m_outputNames),
      m_names(decided.m_names),
      m_shape(decided.m_shape),
      m_nested(decided.m_nested),
      m_kindsOnly(decided.m_kindsOnly),
      m_passThrough(decided.m_passThrough),
      m_typed(decided.m_typed) {
  for (PlannedColumn& column : m_columns)
    column.leftAsText = 0;
}

std::unique_ptr<CColumnPlan> CColumnPlan::CopyForRows() const {
  return std::unique_ptr<CColumnPlan>(new CColumnPlan(*this, true));
}

void CColumnPlan::AddLeftAsText(const CColumnPlan& copy) {
  for (std::size_t k = 0; k < m_columns.size(); ++k)
    m_columns[k].leftAsText += copy.m_columns[k].leftAsText;
}
