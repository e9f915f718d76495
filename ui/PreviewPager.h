// Paging through the preview: the index of the source on show, made on a thread of its
// own, and which page is on show, so that First, Previous, Next, Last and "From line" know
// where to go. No page it makes holds another source's rows or another separator's split.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "engine/conversion/ConversionRequest.h"
#include "engine/index/LineIndex.h"
#include "engine/preview/PreviewPage.h"

class CDialog;

class CPreviewPager {
 public:
  // indexDone is called on the window's thread once an index is done, unless the source
  // has changed since.
  CPreviewPager(CDialog& window, std::function<void()> indexDone);
  ~CPreviewPager();
  CPreviewPager(const CPreviewPager&) = delete;
  CPreviewPager& operator=(const CPreviewPager&) = delete;

  // The first page of request's source is on show: the index is made anew when the rows
  // it read depend on something that changed (the source, the separator, the encoding,
  // quoted fields, the lines skipped, the header line).
  void FirstPageShown(const ConversionRequest& request);
  // Forgets the index, for a source that can't be shown.
  void Forget();

  enum class Move { kFirst, kPrevious, kNext, kLast };
  // Where a command goes from the page on show.
  PageTarget TargetOf(Move move) const;
  // Makes the page at target for request into jsonPath (MakePreviewPageAt) and keeps it
  // as the page on show.
  PageFacts ShowPage(const ConversionRequest& request, const CString& jsonPath, PageTarget target);
  // The page on show was made by ShowPage (its caption counts lines, "of about" until the
  // index is done), rather than being the first page.
  bool Paged() const { return m_paged; }
  PageTarget Current() const { return {PageTarget::By::kRow, m_facts.firstRow}; }
  bool Indexing() const;

 private:
  CDialog& m_window;
  std::function<void()> m_indexDone;
  std::unique_ptr<CLineIndex> m_index;
  std::optional<ConversionRequest> m_indexed;
  // Which index a report of one being done is about: older ones are ignored.
  std::shared_ptr<std::uint64_t> m_generation;
  PageFacts m_facts;
  bool m_paged = false;
};
