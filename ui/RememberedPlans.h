// The columns chosen for each header the window has seen, so that a source with a header
// seen before gets its columns back: one recipe file per header in a folder of the
// settings, named after a hash of the header's names, each written whole or not at all.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/plan/ColumnRecipe.h"
#include "platform/core/CString.h"
#include "ui/ColumnRows.h"

class CRememberedPlans {
 public:
  // folder: where the files are (made when the first is written); empty keeps nothing.
  explicit CRememberedPlans(std::string folder) : m_folder(std::move(folder)) {}

  // The file of names' plan: <folder>/<SHA-256 of the names>.json.
  std::string PathFor(const std::vector<std::string>& names) const;
  // The recipe kept for names; none when none is, or it can't be read.
  std::optional<ColumnRecipe> Find(const std::vector<std::string>& names) const;
  // Keeps rows as the plan of names; empty, or what the user is told (file and reason).
  CString Keep(const std::vector<std::string>& names, const std::vector<ColumnRow>& rows) const;

 private:
  std::string m_folder;
};
