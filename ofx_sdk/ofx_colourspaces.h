// The native colour configuration's colourspace names, labels, encodings and
// flags. The effect works in whatever space the host hands it; these exist so
// that the interface is complete and pinned.
#pragma once

#define OFX_STRING(name, value) inline constexpr char name[] = value;
#define OFX_BOOL(name, value) inline constexpr bool name = value;
#include "ofx_sdk/ofx_colourspaces.inc"
#undef OFX_STRING
#undef OFX_BOOL
