// Where the maker is reached: the support address and the product's web page. The Help
// menu's commands use these and nothing else spells them.
#pragma once

namespace ProductLinks {

inline constexpr const char16_t* kSupportAddress = u"support@ostrel.com";
inline constexpr const char16_t* kWebSite = u"https://www.ostrel.com/corvane";

}  // namespace ProductLinks
