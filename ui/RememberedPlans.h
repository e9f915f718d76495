// The columns chosen for each header the window has seen, so that a source with a header
// seen before gets its columns back: one recipe file per header in a folder of the
// settings, named after a hash of the header's names (its key), each written whole or not
// at all.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/conversion/ConversionRequest.h"
#include "engine/plan/ColumnRecipe.h"
#include "platform/core/CString.h"

// The SHA-256 of a header's names, in hexadecimal, taken a name at a time.
class CHeaderKey {
 public:
  CHeaderKey();
  ~CHeaderKey();
  CHeaderKey(const CHeaderKey&) = delete;
  CHeaderKey& operator=(const CHeaderKey&) = delete;

  void Add(std::string_view name);
  std::string Finish();

  static std::string Of(const std::vector<std::string>& names);
  // The key of the request's header as the preview reads it, none when it has none; its
  // names are hashed as they are read, never held.
  static std::optional<std::string> OfHeader(const ConversionRequest& request);

 private:
  struct Checksum;
  Checksum* m_checksum;
};

class CRememberedPlans {
 public:
  // folder: where the files are (made when the first is written); empty keeps nothing.
  explicit CRememberedPlans(std::string folder) : m_folder(std::move(folder)) {}

  // The file of a header's plan: <folder>/<key>.json.
  std::string PathFor(const std::string& key) const;
  // The recipe kept for the header of key; none when none is, or it can't be read.
  std::optional<ColumnRecipe> Find(const std::string& key) const;
  // Keeps recipe as the plan of the header of key; a recipe that asks nothing is kept as
  // none. Empty, or what the user is told (file and reason).
  CString Keep(const std::string& key, const ColumnRecipe& recipe) const;

 private:
  std::string m_folder;
};
