#include "ui/RememberedPlans.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <cerrno>

#include "engine/preview/HeaderNames.h"
#include "platform/core/Formatted.h"
#include "ui/ColumnRows.h"
#include "ui/ColumnsTexts.h"

struct CHeaderKey::Checksum {
  GChecksum* sha = g_checksum_new(G_CHECKSUM_SHA256);
};

CHeaderKey::CHeaderKey() : m_checksum(new Checksum) {}

CHeaderKey::~CHeaderKey() {
  g_checksum_free(m_checksum->sha);
  delete m_checksum;
}

// Each name with its length first, so that no two lists of names give the same text.
void CHeaderKey::Add(std::string_view name) {
  const std::string length = std::to_string(name.size()) + ":";
  g_checksum_update(m_checksum->sha, reinterpret_cast<const guchar*>(length.data()),
                    static_cast<gssize>(length.size()));
  g_checksum_update(m_checksum->sha, reinterpret_cast<const guchar*>(name.data()),
                    static_cast<gssize>(name.size()));
}

std::string CHeaderKey::Finish() {
  return g_checksum_get_string(m_checksum->sha);
}

std::string CHeaderKey::Of(const std::vector<std::string>& names) {
  CHeaderKey key;
  for (const std::string& name : names)
    key.Add(name);
  return key.Finish();
}

std::optional<std::string> CHeaderKey::OfHeader(const ConversionRequest& request) {
  CHeaderKey key;
  if (!ForEachOutputName(request, [&](std::string_view name) { key.Add(name); }))
    return std::nullopt;
  return key.Finish();
}

std::string CRememberedPlans::PathFor(const std::string& key) const {
  return m_folder.empty() ? std::string() : m_folder + "/" + key + ".json";
}

std::optional<ColumnRecipe> CRememberedPlans::Find(const std::string& key) const {
  const std::string path = PathFor(key);
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

CString CRememberedPlans::Keep(const std::string& key, const ColumnRecipe& recipe) const {
  const std::string path = PathFor(key);
  if (path.empty())
    return {};
  const CString userPath = CString::FromUtf8(path);
  if (!recipe.listed) {
    // Nothing asked: no file, so that the header starts from every column again.
    if (g_remove(path.c_str()) != 0 && errno != ENOENT)
      return Formatted(kPlanNotKept, userPath.GetString(),
                       CString::FromUtf8(g_strerror(errno)).GetString());
    return {};
  }
  if (g_mkdir_with_parents(m_folder.c_str(), 0700) != 0)
    return Formatted(kPlanNotKept, CString::FromUtf8(m_folder).GetString(),
                     CString::FromUtf8(g_strerror(errno)).GetString());
  const CString failure = WriteRecipeFile(userPath, recipe.columns);
  if (failure.IsEmpty())
    return {};
  return Formatted(kPlanNotKept, userPath.GetString(), failure.GetString());
}
