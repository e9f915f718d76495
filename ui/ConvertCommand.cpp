// Convert: the whole source into the output, or several sources into a folder, and the
// message that says how it went.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "engine/conversion/ConvertToJson.h"
#include "libs/suppcore/Log.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/ProgressWindow.h"
#include "ui/BatchConvert.h"
#include "ui/CorvaneDlg.h"
#include "ui/Resource.h"
#include "ui/WindowTexts.h"

namespace {

// Lines left out are never left out in silence: the report gets a line about them.
CString WithLinesLeftOut(CString text, std::int64_t linesLeftOut, bool quoted) {
  if (linesLeftOut <= 0) {
    return text;
  }
  CString line;
  if (linesLeftOut == 1) {
    line = quoted ? kOneLineLeftOutQuoted : kOneLineLeftOut;
  } else {
    line.Format(quoted ? kLinesLeftOutQuoted : kLinesLeftOut, static_cast<long long>(linesLeftOut));
  }
  return text + u"\n" + line;
}

}  // namespace

void CCorvaneDlg::OnConvert() {
  if (CheckInputs() == 0) {
    return;
  }
  ConversionRequest request = RequestFromControls();
  FollowHeader(request);
  if (m_sources.size() > 1) {
    ConvertSeveral(*this, request, m_sources, request.output,
                   IsDlgButtonChecked(IDC_KEEP_LEFT_OUT) == BST_CHECKED);
    return;
  }
  if (request.output.IsEmpty()) {
    MessageBox(kTargetMissing, kErrorCaption, MB_ICONERROR);
    return;
  }
  // Only Convert keeps the lines left out; the preview's request never does.
  if (IsDlgButtonChecked(IDC_KEEP_LEFT_OUT) == BST_CHECKED)
    request.rejects = request.output + kRejectsSuffix;
  request.options.threads = OneThreadACore();
  auto progress = std::make_unique<CProgressWindow>(*this, kConverting);
  request.progress = [&progress](std::uint64_t bytesRead, std::uint64_t total) {
    return progress->Update(bytesRead, total);
  };
  const ConversionReport report = ConvertToJson(request);
  progress.reset();
  if (report.cancelled) {
    return;  // asked for: the output is as it was, and nothing more to say
  }
  const bool quoted = request.options.quoted;
  if (report.failure) {
    CLog::Entry(CString(kConversionError) + u" " + report.failure->Text());
    // The output is as it was: only a whole document replaces it.
    MessageBox(WithLinesLeftOut(CString(kConversionError) + u"\n" + report.failure->Text(),
                                report.linesLeftOut, quoted),
               kErrorCaption, MB_ICONERROR);
    return;
  }
  CString text;
  // The count is 64-bit inside so that a huge file cannot overflow it.
  text.Format(kRowsConverted,
              static_cast<int>(std::min<std::int64_t>(report.rowsWritten, INT_MAX)));
  if (report.oldMacLineEnds) {
    text += CString(u"\n") + kOldMacLineEnds;
  }
  text = WithLinesLeftOut(text, report.linesLeftOut, quoted);
  if (report.linesLeftOut > 0 && !report.logWritten)
    text += CString(u"\n") + kLogNotWritten;
  if (!request.rejects.IsEmpty()) {
    CString kept;
    kept.Format(report.linesLeftOut > 0      ? kRejectsKept
                : request.options.headerLine ? kNoRejects
                                             : kNoRejectsNoHeader,
                request.rejects.GetString());
    text += u"\n" + kept;
  }
  if (report.columnsRenamed > 0)
    text += u"\n" + RenamedColumnsText(report.columnsRenamed, report.renamedColumns);
  // Bytes the chosen encoding could not decode are never replaced in silence.
  if (const CString undecodable = UndecodableText(report.encoding); !undecodable.IsEmpty()) {
    text += u"\n";
    text += undecodable;
  }
  MessageBox(text, kInformationCaption, MB_ICONINFORMATION);
}
