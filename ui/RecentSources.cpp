#include "ui/RecentSources.h"

#include <algorithm>

std::vector<CString> WithRecentSource(std::vector<CString> list, const CString& path) {
  if (path.IsEmpty()) {
    return list;
  }
  list.erase(std::remove(list.begin(), list.end(), path), list.end());
  list.insert(list.begin(), path);
  if (list.size() > kRecentSources) {
    list.resize(kRecentSources);
  }
  return list;
}
