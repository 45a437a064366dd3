// The render-thread actions: render and is-identity. Everything they use
// lives on their own stack, so any number may run at once, on one instance
// or several.
#pragma once

#include "ofx_sdk/ofx_types.h"

namespace velmora_ofx {

// Renders the render window of the output image at the action's time. Every
// image fetched is released before it returns, on every path.
OfxStatus RenderAction(OfxImageEffectHandle instance, OfxPropertySetHandle in_args);

// kOfxStatOK with the source named in `out_args` when the settings at that
// time leave every pixel as it is (a 100 % blend, or neutral settings in the
// HDR mode with both clamps off); otherwise the default.
OfxStatus IsIdentityAction(OfxImageEffectHandle instance, OfxPropertySetHandle in_args,
                           OfxPropertySetHandle out_args);

}  // namespace velmora_ofx
