// The ANSI block of the utility callbacks and the "PF ANSI Suite": the C
// library's functions as the host hands them to an effect, with the portable
// sine and cosine, so that a table built through them has the same bits on
// every system.
#pragma once

#include "host_sdk/host_records.h"
#include "host_sdk/host_suites.h"

namespace simhost {

void FillAnsiCallbacks(PF_ANSICallbacks& callbacks);
void FillAnsiCallbacks(PF_ANSICallbacksSuite1& suite);

}  // namespace simhost
