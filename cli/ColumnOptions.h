// The options that plan the columns: --columns FILE, --select, --rename, --type, --empty and
// --nest, gathered into the recipe the engine resolves against the source's header.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/plan/ColumnRecipe.h"

namespace cli {

struct ColumnOptions {
  ColumnRecipe recipe;
  std::string recipeFile;  // --columns
  bool selected = false;   // --select
};

// Takes the option name when it is one of these, reading its value through takeValue.
// Returns false for another option; sets error for a bad value.
bool TakeColumnOption(const std::string& name,
                      const std::function<std::optional<std::string>()>& takeValue,
                      ColumnOptions& columns, std::string& error);

// Reads the recipe file, when one is named, into the recipe; the usage error when it
// can't be read or used, or is given with --select.
std::string FinishColumnOptions(ColumnOptions& columns);

}  // namespace cli
