#include "engine/conversion/ConversionFailure.h"

#include <new>

#include "engine/EngineMessages.h"
#include "engine/rows/RowSplitter.h"
#include "platform/core/File.h"

CString DescribeFailure(std::exception_ptr failure, const CString& sourceName) {
  CString reason;
  try {
    std::rethrow_exception(failure);
  } catch (const CFileException& error) {
    return error.GetErrorMessage();
  } catch (const CLineTooLong& error) {
    reason.Format(EngineMessages::kLineTooLong, static_cast<long long>(error.LineNumber()),
                  static_cast<long long>(error.Limit()));
  } catch (const std::bad_alloc&) {
    reason = EngineMessages::kOutOfMemory;
  } catch (const std::exception& error) {
    reason = CString::FromUtf8(error.what());
  } catch (...) {
    reason = EngineMessages::kOutOfMemory;
  }
  return sourceName + u": " + reason;
}
