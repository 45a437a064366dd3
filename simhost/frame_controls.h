// The settings of a render as the engine's frame controls: what the effect's
// render reads from the parameter array the host builds from the same
// settings, for the tool's curve plot and the tests that predict a render.
// The pivot is the colour bytes over 255, as both hosts deliver it.
#pragma once

#include <cstdint>

#include "engine/frame_curve.h"
#include "simhost/effect_settings.h"

namespace simhost {

inline FrameControls FrameControlsOf(const EffectSettings& settings, int32_t table_size) {
  FrameControls controls{};
  controls.offset = settings.offset;
  controls.gamma = settings.gamma;
  controls.gain = settings.gain;
  controls.table = {table_size,
                    PivotChannelOfByte(settings.pivot.red),
                    PivotChannelOfByte(settings.pivot.green),
                    PivotChannelOfByte(settings.pivot.blue),
                    settings.contrast,
                    settings.width,
                    settings.shadows_rolloff,
                    settings.highlights_rolloff,
                    settings.clamp_white,
                    settings.clamp_black};
  controls.blend = settings.blend;
  return controls;
}

}  // namespace simhost
