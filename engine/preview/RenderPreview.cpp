#include "engine/preview/RenderPreview.h"

#include "libs/suppcore/JSON.h"
#include "platform/core/CString.h"
#include "platform/core/FileSystem.h"

void RenderPreview(LPCWSTR jsonPreviewPath, const std::vector<CString>& notes,
                   const std::vector<CString>& lead, const std::vector<HtmlRowPlace>& places,
                   const std::vector<std::pair<std::string, std::string>>& types) {
  const CString jsonPath(jsonPreviewPath);
  const CString htmlPath = jsonPath + u".html";
  JSON::ToHTML(jsonPath, htmlPath, 1, notes, lead, places, types);
  _wunlink(jsonPath);
}
