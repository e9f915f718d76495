#include "platform/core/LifecycleTrace.h"

namespace {

LifecycleSink& Sink() {
  static LifecycleSink sink;
  return sink;
}

}  // namespace

void SetLifecycleSink(LifecycleSink sink) {
  Sink() = std::move(sink);
}

void ReportLifecycleStep(const std::string& step) {
  if (Sink())
    Sink()(step);
}
