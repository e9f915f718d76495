// The text a front end shows for a conversion that ended with an exception.
#pragma once

#include <exception>

#include "platform/core/CString.h"

// "<file>: <reason>" for the exception: a file error names its own file; a line over the
// limit, running out of memory and anything else name the source.
CString DescribeFailure(std::exception_ptr failure, const CString& sourceName);
