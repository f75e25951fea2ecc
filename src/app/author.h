// The author's name and contact address: one address for the scrolling lines,
// the mail links and the read-me text.
#pragma once

#include <string_view>

namespace tivrel {

inline constexpr std::u16string_view kAuthorName = u"林晓岚";
inline constexpr std::u16string_view kAuthorClass = u"高二（3）班";
inline constexpr std::u16string_view kAuthorEmail = u"lanling@example.com";
inline constexpr std::u16string_view kLegalNotice = u"版权所有 (C) 2003 林晓岚";

}  // namespace tivrel
