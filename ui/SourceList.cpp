#include "ui/SourceList.h"

#include <string>

#include "platform/core/FileSystem.h"
#include "platform/core/Formatted.h"
#include "ui/BatchTexts.h"

namespace {

SourceList Unreadable(const CString& why) {
  return {{}, why + u" " + kListHowTo};
}

}  // namespace

SourceList ReadSourceList(const CString& text) {
  const std::u16string_view view = text.View();
  if (view.empty())
    return {};
  if (view.front() != u'"')
    return {{text}, {}};
  SourceList list;
  for (std::size_t at = 0;;) {
    while (at < view.size() && view[at] == u' ')
      ++at;
    if (at == view.size())
      return list;
    if (view[at] != u'"')
      return Unreadable(Formatted(kListTextOutsideQuotes, CString(view.substr(at)).GetString()));
    const std::size_t close = view.find(u'"', at + 1);
    if (close == std::u16string_view::npos)
      return Unreadable(kListQuoteNotClosed);
    if (close == at + 1)
      return Unreadable(kListEmptyName);
    list.sources.emplace_back(view.substr(at + 1, close - at - 1));
    at = close + 1;
    if (at < view.size() && view[at] != u' ')
      return Unreadable(Formatted(kListTextOutsideQuotes, CString(view.substr(at)).GetString()));
  }
}

SourceListText WriteSourceList(const std::vector<CString>& paths) {
  if (paths.size() == 1)
    return {paths.front(), {}};
  SourceListText list;
  for (const CString& path : paths) {
    if (path.View().find(u'"') != std::u16string_view::npos)
      return {{}, Formatted(kQuoteInListedName, path.GetString())};
    if (!list.text.IsEmpty())
      list.text += u" ";
    list.text += CString(u"\"") + path + u"\"";
  }
  return list;
}

CString SourceTextToSave(const CString& text, const CString& saved) {
  const SourceList list = ReadSourceList(text);
  if (!list.problem.IsEmpty())
    return saved;
  if (!list.Several())
    return text;
  std::vector<CString> there;
  for (const CString& source : list.sources)
    if (_waccess(source, 0) == 0)
      there.push_back(source);
  return WriteSourceList(there).text;
}
