// The encodings the window's "Encoding" list offers: "Automatic" first (the source's start
// decides), then the common ones, by names iconv knows. The list's items are the stored
// values.
#pragma once

#include <span>
#include <string>

#include "platform/core/CString.h"

std::span<const char16_t* const> EncodingChoices();
// The index of the item that is text, 0 (Automatic) for any other text, so that a value
// edited by hand or left by a later version falls back to the automatic choice.
int EncodingChoiceIndex(const CString& text);
// The engine's encoding for an item: empty for Automatic.
std::string EncodingOfChoice(const CString& item);
