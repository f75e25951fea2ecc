// Wave formats both ways: the format that one combination of the matrix is
// asked as, and a format that the system states, in the report's terms.
#pragma once

#include <windows.h>
// After windows.h, which it builds on.
#include <mmreg.h>

#include "probe/format_matrix.h"
#include "probe/report_platform.h"

namespace tivrel::win32 {

// The extensible form, PCM or IEEE float, with the usual speaker layout.
WAVEFORMATEXTENSIBLE ExtensibleFormat(SampleFormat format, unsigned channels, uint32_t rate);

// `format` as the report states it: one of the matrix's sample formats by
// name where it is one, else its format tag.
StreamFormat DescribeFormat(const WAVEFORMATEX& format);

}  // namespace tivrel::win32
