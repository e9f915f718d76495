#include "ui/RememberedPlans.h"

#include <glib.h>

#include <cerrno>

#include "platform/core/Formatted.h"
#include "ui/ColumnsTexts.h"

namespace {

// Each name with its length first, so that no two lists of names give the same text.
std::string HeaderKey(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names)
    text.append(std::to_string(name.size())).append(":").append(name);
  gchar* digest = g_compute_checksum_for_data(
      G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(text.data()), text.size());
  std::string key = digest;
  g_free(digest);
  return key;
}

}  // namespace

std::string CRememberedPlans::PathFor(const std::vector<std::string>& names) const {
  return m_folder.empty() ? std::string() : m_folder + "/" + HeaderKey(names) + ".json";
}

std::optional<ColumnRecipe> CRememberedPlans::Find(const std::vector<std::string>& names) const {
  const std::string path = PathFor(names);
  if (path.empty())
    return std::nullopt;
  std::string error;
  ColumnRecipe recipe;
  recipe.columns = ReadRecipeFile(path, error);
  if (!error.empty() || recipe.columns.empty())
    return std::nullopt;
  recipe.listed = true;
  return recipe;
}

CString CRememberedPlans::Keep(const std::vector<std::string>& names,
                               const std::vector<ColumnRow>& rows) const {
  const std::string path = PathFor(names);
  if (path.empty())
    return {};
  const CString userPath = CString::FromUtf8(path);
  if (g_mkdir_with_parents(m_folder.c_str(), 0700) != 0)
    return Formatted(kPlanNotKept, CString::FromUtf8(m_folder).GetString(),
                     CString::FromUtf8(g_strerror(errno)).GetString());
  const CString failure = WriteRecipeFile(userPath, rows);
  if (failure.IsEmpty())
    return {};
  return Formatted(kPlanNotKept, userPath.GetString(), failure.GetString());
}
