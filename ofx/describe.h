// The describe actions: what the effect is and does (describe), and its clips
// and parameters in a context (describe in context).
#pragma once

#include "ofx_sdk/ofx_types.h"

namespace velmora_ofx {

OfxStatus DescribeAction(OfxImageEffectHandle descriptor);
OfxStatus DescribeInContextAction(OfxImageEffectHandle descriptor, OfxPropertySetHandle in_args);

}  // namespace velmora_ofx
