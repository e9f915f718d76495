// Convert with several sources: each into the output folder, a few at a time, under one
// progress dialog whose Cancel stops them all, and one message at the end.
#pragma once

#include <vector>

#include "engine/conversion/ConversionRequest.h"
#include "platform/core/CString.h"

class CWnd;

// each: the conversion the window's controls describe (its source and output are each
// item's); keepLinesLeftOut: each output gets its lines left out beside it. A cancel with
// nothing written says nothing, as for one source; every failure is logged.
void ConvertSeveral(CWnd& window, const ConversionRequest& each,
                    const std::vector<CString>& sources, const CString& folder,
                    bool keepLinesLeftOut);
