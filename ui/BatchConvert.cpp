#include "ui/BatchConvert.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "engine/batch/Batch.h"
#include "libs/suppcore/Log.h"
#include "platform/core/Formatted.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/ProgressWindow.h"
#include "platform/gui/Wnd.h"
#include "ui/BatchTexts.h"
#include "ui/WindowTexts.h"

namespace {

// Makes the folder when it is missing (one level, as the command line does); empty when
// it is there, else "<folder>: <reason>".
CString MakeFolder(const CString& folder) {
  const std::string path = folder.ToUtf8();
  if (mkdir(path.c_str(), 0777) == 0)
    return {};
  const int error = errno;
  struct stat info {};
  if (error == EEXIST && stat(path.c_str(), &info) == 0)
    return S_ISDIR(info.st_mode) ? CString() : folder + u": " + kNotAFolder;
  return folder + u": " + CString::FromUtf8(std::strerror(error));
}

// What the message says of one source, after its path.
CString Outcome(const ConversionReport& report) {
  if (report.failure)
    return Formatted(kBatchFailed, report.failure->Text().GetString());
  if (report.cancelled)
    return kBatchCancelled;
  return Formatted(kBatchWritten, static_cast<long long>(report.rowsWritten),
                   static_cast<long long>(report.linesLeftOut));
}

}  // namespace

void ConvertSeveral(CWnd& window, const ConversionRequest& each,
                    const std::vector<CString>& sources, const CString& folder,
                    bool keepLinesLeftOut) {
  if (folder.IsEmpty()) {
    window.MessageBox(kFolderMissing, kErrorCaption, MB_ICONERROR);
    return;
  }
  BatchPlan plan = PlanBatch(sources, folder, each.format, each.compression);
  if (!plan.clash.IsEmpty()) {
    window.MessageBox(plan.clash, kErrorCaption, MB_ICONERROR);
    return;
  }
  if (const CString problem = MakeFolder(folder); !problem.IsEmpty()) {
    window.MessageBox(CString(kConversionError) + u"\n" + problem, kErrorCaption, MB_ICONERROR);
    return;
  }
  if (keepLinesLeftOut)
    for (BatchItem& item : plan.items)
      item.rejects = item.output + kRejectsSuffix;
  ConversionRequest request = each;
  // The sources share the cores already: a block pool each would only contend.
  request.options.threads = 1;
  request.progress = nullptr;

  long long written = 0;
  long long rows = 0;
  bool failed = false;
  bool cancelled = false;
  CString lines;
  auto progress = std::make_unique<CProgressWindow>(window, kConverting);
  RunBatch(
      request, plan.items, BatchJobs(0, plan.items.size()),
      [&progress](std::uint64_t bytesRead, std::uint64_t total) {
        return progress->Update(bytesRead, total);
      },
      [&](std::size_t item, const ConversionReport& report) {
        lines += u"\n";
        lines += plan.items[item].source + u": " + Outcome(report);
        failed = failed || report.failure.has_value();
        cancelled = cancelled || report.cancelled;
        if (report.failure)
          CLog::Entry(CString(kConversionError) + u" " + report.failure->Text());
        if (report.Converted()) {
          ++written;
          rows += report.rowsWritten;
        }
      });
  progress.reset();
  if (cancelled && written == 0 && !failed)
    return;  // asked for: every output is as it was, and nothing more to say
  const CString total =
      Formatted(kBatchTotal, written, static_cast<long long>(plan.items.size()), rows);
  window.MessageBox(total + lines, failed ? kErrorCaption : kInformationCaption,
                    failed ? MB_ICONERROR : MB_ICONINFORMATION);
}
