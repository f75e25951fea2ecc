// The author's name and contact address: one address for the scrolling lines,
// the mail links and the read-me text.
#pragma once

#include <string_view>

#include "app/version.h"

namespace tivrel {

inline constexpr std::u16string_view kAuthorName = u"林晓岚";
inline constexpr std::u16string_view kAuthorClass = u"高二（3）班";
inline constexpr std::u16string_view kAuthorEmail = u"lanling@example.com";
// Written once, in version.h, where the version resource reads it too.
inline constexpr std::u16string_view kLegalNotice = u"" TIVREL_LEGAL_COPYRIGHT;

}  // namespace tivrel
