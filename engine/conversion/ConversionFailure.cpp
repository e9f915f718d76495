#include "engine/conversion/ConversionFailure.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <typeinfo>

#include "engine/EngineMessages.h"
#include "engine/rows/RowSplitter.h"
#include "engine/source/SourceEncoding.h"
#include "platform/core/File.h"

namespace {

// The type of the exception being handled, as the source names it.
CString CurrentExceptionType() {
  const std::type_info* type = abi::__cxa_current_exception_type();
  if (type == nullptr)
    return u"?";
  int status = 0;
  const std::unique_ptr<char, decltype(&std::free)> readable(
      abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), &std::free);
  return CString::FromUtf8(status == 0 && readable ? readable.get() : type->name());
}

CString Unexpected(const CString& what) {
  CString reason;
  reason.Format(EngineMessages::kUnexpectedError, what.GetString());
  return reason;
}

const char16_t* LooksLike(SourceFormat format) {
  switch (format) {
    case SourceFormat::Zip:
      return EngineMessages::kLooksLikeZip;
    case SourceFormat::Pdf:
      return EngineMessages::kLooksLikePdf;
    case SourceFormat::Png:
      return EngineMessages::kLooksLikePng;
    case SourceFormat::Jpeg:
      return EngineMessages::kLooksLikeJpeg;
    case SourceFormat::Gif:
      return EngineMessages::kLooksLikeGif;
    case SourceFormat::Sqlite:
      return EngineMessages::kLooksLikeSqlite;
    case SourceFormat::Parquet:
      return EngineMessages::kLooksLikeParquet;
    default:
      return EngineMessages::kLooksLikeProgram;
  }
}

}  // namespace

ConversionFailure FailureOf(std::exception_ptr exception, const CString& sourceName) {
  using Kind = ConversionFailure::Kind;
  ConversionFailure failure;
  failure.file = sourceName;
  try {
    std::rethrow_exception(exception);
  } catch (const CNotTextFileException& error) {
    failure.kind = Kind::FileError;
    failure.file = error.m_strFileName;
    failure.reason.Format(EngineMessages::kNotTextFile, LooksLike(error.m_format));
  } catch (const CFileException& error) {
    failure.kind = Kind::FileError;
    failure.file = error.m_strFileName;
    failure.reason = error.GetReason();
    failure.osError = error.m_lOsError;
  } catch (const CLineTooLong& error) {
    failure.kind = Kind::LineTooLong;
    failure.line = error.LineNumber();
    if (error.QuoteOpen()) {
      failure.reason.Format(
          EngineMessages::kQuoteTooLong,
          GroupedNumber(static_cast<std::uint64_t>(error.LineNumber())).GetString(),
          GroupedNumber(error.Limit()).GetString(),
          GroupedNumber(static_cast<std::uint64_t>(error.LastLine())).GetString());
      return failure;
    }
    failure.reason.Format(EngineMessages::kLineTooLong, static_cast<long long>(error.LineNumber()),
                          static_cast<long long>(error.Limit()));
  } catch (const std::bad_alloc&) {
    failure.kind = Kind::OutOfMemory;
    failure.reason = EngineMessages::kOutOfMemory;
  } catch (const std::exception& error) {
    failure.reason = Unexpected(CString::FromUtf8(error.what()));
  } catch (...) {
    failure.reason = Unexpected(CurrentExceptionType());
  }
  return failure;
}
