// Named steps of the program's start-up and shutdown (a store created, the library
// initialised, a window shown, ...), reported by the pieces that take them to whoever
// listens: tests that check the order of a real run, or a diagnosis. Reporting costs one
// test when nobody listens.
#pragma once

#include <functional>
#include <string>

using LifecycleSink = std::function<void(const std::string& step)>;

// Replaces the listener; an empty one stops listening.
void SetLifecycleSink(LifecycleSink sink);
void ReportLifecycleStep(const std::string& step);
