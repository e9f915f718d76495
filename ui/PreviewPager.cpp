#include "ui/PreviewPager.h"

#include <algorithm>
#include <utility>

#include "platform/gui/Dialog.h"
#include "platform/gui/GuiThread.h"

namespace {

// Whether two requests read the same rows: what the output is does not matter here.
bool SameRows(const ConversionRequest& a, const ConversionRequest& b) {
  const ConversionOptions& x = a.options;
  const ConversionOptions& y = b.options;
  return a.source == b.source && a.separator == b.separator && x.encoding == y.encoding &&
         x.quoted == y.quoted && x.skipLines == y.skipLines && x.headerLine == y.headerLine;
}

}  // namespace

CPreviewPager::CPreviewPager(CDialog& window, std::function<void()> indexDone)
    : m_window(window),
      m_indexDone(std::move(indexDone)),
      m_generation(std::make_shared<std::uint64_t>(0)) {}

CPreviewPager::~CPreviewPager() = default;

void CPreviewPager::FirstPageShown(const ConversionRequest& request) {
  m_facts = PageFacts{0, kPreviewRows, 0, 0};
  m_paged = false;
  if (m_index && m_indexed && SameRows(*m_indexed, request))
    return;
  Forget();
  m_index = std::make_unique<CLineIndex>();
  m_indexed = request;
  const std::uint64_t generation = *m_generation;
  std::weak_ptr<std::uint64_t> current = m_generation;
  CDialog& window = m_window;
  std::function<void()> done = m_indexDone;
  // Called on the index's thread; only its last call, when the index has ended, matters.
  m_index->Start(request, [&window, current, generation, done](bool ended) {
    if (!ended)
      return;
    PostToDialog(window, [current, generation, done] {
      const auto live = current.lock();
      if (live && *live == generation && done)
        done();
    });
  });
}

void CPreviewPager::Forget() {
  ++*m_generation;
  m_index.reset();  // stops its thread and waits for it
  m_indexed.reset();
  m_paged = false;
}

bool CPreviewPager::Indexing() const {
  if (!m_index)
    return false;
  const LineIndexState state = m_index->State();
  return !state.done && !state.failure && !state.cancelled;
}

PageTarget CPreviewPager::TargetOf(Move move) const {
  using By = PageTarget::By;
  const std::int64_t row = m_facts.firstRow;
  switch (move) {
    case Move::kFirst:
      return {By::kRow, 0};
    case Move::kPrevious:
      return {By::kRow, std::max<std::int64_t>(row - kPreviewRows, 0)};
    case Move::kNext:
      return {By::kRow, m_facts.rows > 0 ? row + m_facts.rows : row};
    case Move::kLast:
      break;
  }
  const std::int64_t rows = m_index ? m_index->State().rows : 0;
  return {By::kRow, std::max<std::int64_t>(rows - kPreviewRows, 0)};
}

PageFacts CPreviewPager::ShowPage(const ConversionRequest& request, const CString& jsonPath,
                                  PageTarget target) {
  if (!m_index || !m_indexed || !SameRows(*m_indexed, request))
    FirstPageShown(request);
  m_facts = MakePreviewPageAt(request, jsonPath, *m_index, target);
  m_paged = true;
  return m_facts;
}
