#include "ofx/describe.h"

#include <string>

#include "host/params.h"
#include "ofx/host_access.h"
#include "ofx/parameters.h"
#include "ofx_sdk/ofx_constants.h"

namespace velmora_ofx {
namespace {

constexpr char kGrouping[] = "Trevane";
constexpr char kDescription[] =
    "A hue-preserving lightness curve about a pivot colour, with roll-offs. Copyright 2026 "
    "Trevane.";

OfxStatus SetStrings(OfxPropertySetHandle set, const char* name, const char* const* values,
                     int32_t count) {
  OfxStatus status = kOfxStatOK;
  for (int32_t i = 0; i < count && status == kOfxStatOK; ++i) {
    status = Suites().property->propSetString(set, name, i, values[i]);
  }
  return status;
}

OfxStatus DefineClip(OfxImageEffectHandle descriptor, const char* name) {
  OfxPropertySetHandle clip = nullptr;
  OfxStatus status = Suites().effect->clipDefine(descriptor, name, &clip);
  if (status != kOfxStatOK) return status;
  if (clip == nullptr) return kOfxStatErrBadHandle;
  const char* const components[] = {kOfxImageComponentRGBA, kOfxImageComponentRGB};
  status = SetStrings(clip, kOfxImageEffectPropSupportedComponents, components, 2);
  if (status == kOfxStatOK) status = SetOptionalInt(clip, kOfxImageEffectPropSupportsTiles, 1);
  if (status == kOfxStatOK) status = SetOptionalInt(clip, kOfxImageClipPropOptional, 0);
  return status;
}

}  // namespace

OfxStatus DescribeAction(OfxImageEffectHandle descriptor) {
  OfxPropertySetHandle effect = nullptr;
  OfxStatus status = Suites().effect->getPropertySet(descriptor, &effect);
  if (status != kOfxStatOK) return status;
  if (effect == nullptr) return kOfxStatErrBadHandle;
  const OfxPropertySuiteV1& props = *Suites().property;

  // What a host cannot do without: a failure here fails the describe.
  const char* const contexts[] = {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral};
  const char* const depths[] = {kOfxBitDepthByte, kOfxBitDepthShort, kOfxBitDepthFloat};
  status = props.propSetString(effect, kOfxPropLabel, 0, GetString(STR_NAME));
  if (status == kOfxStatOK) {
    status = props.propSetString(effect, kOfxImageEffectPluginPropGrouping, 0, kGrouping);
  }
  if (status == kOfxStatOK) {
    status = SetStrings(effect, kOfxImageEffectPropSupportedContexts, contexts, 2);
  }
  if (status == kOfxStatOK) {
    status = SetStrings(effect, kOfxImageEffectPropSupportedPixelDepths, depths, 3);
  }
  if (status != kOfxStatOK) return status;

  // Behaviour: every pixel depends on its own input pixel alone and nothing
  // is kept between calls, so any number of renders may run at once, on any
  // window; no host may lack these, but an unknown one is not fatal.
  struct Flag {
    const char* name;
    int32_t value;
  };
  const Flag flags[] = {
      {kOfxImageEffectPluginPropHostFrameThreading, 1},
      {kOfxImageEffectPropSupportsTiles, 1},
      {kOfxImageEffectPropSupportsMultiResolution, 1},
      {kOfxImageEffectPropSupportsMultipleClipDepths, 0},
      {kOfxImageEffectPropTemporalClipAccess, 0},
      {kOfxImageEffectPluginPropSingleInstance, 0},
      {kOfxImageEffectPluginPropFieldRenderTwiceAlways, 0},
  };
  for (const Flag& flag : flags) {
    status = SetOptionalInt(effect, flag.name, flag.value);
    if (status != kOfxStatOK) return status;
  }
  status = SetOptionalString(effect, kOfxImageEffectPluginRenderThreadSafety,
                             kOfxImageEffectRenderFullySafe);
  if (status == kOfxStatOK)
    status = SetOptionalString(effect, kOfxPropPluginDescription, kDescription);
  return status;
}

OfxStatus DescribeInContextAction(OfxImageEffectHandle descriptor, OfxPropertySetHandle in_args) {
  const std::string context = GetStringOr(in_args, kOfxImageEffectPropContext, "");
  if (context != kOfxImageEffectContextFilter && context != kOfxImageEffectContextGeneral) {
    return kOfxStatErrMissingHostFeature;
  }
  OfxStatus status = DefineClip(descriptor, kOfxImageEffectSimpleSourceClipName);
  if (status == kOfxStatOK) status = DefineClip(descriptor, kOfxImageEffectOutputClipName);
  if (status == kOfxStatOK) status = DefineParameters(descriptor);
  return status;
}

}  // namespace velmora_ofx
