// After Effects' multi-frame rendering: several render threads entering one
// loaded effect at once, each frame with its own host records, and each
// render's iterate spread over worker threads of its own.
#pragma once

#include <vector>

#include "simhost/effect_settings.h"
#include "simhost/host.h"
#include "simhost/module.h"
#include "simhost/world.h"

namespace simhost {

struct FrameJob {
  EffectSettings settings;
  HostImage* input = nullptr;
  HostImage* output = nullptr;
  bool smart = false;  // the smart pre-render and render, else the classic render
  PF_Err result = 0;   // what the effect returned
};

// Renders every job, `render_threads` frames at a time, each render thread
// with a host of its own in `mode`, iterating on `iterate_threads` threads.
// The threads start together, so that frames overlap as much as they can.
void RenderConcurrently(HostMode mode, EntryPointFunction entry, std::vector<FrameJob>& jobs,
                        int render_threads, int iterate_threads);

}  // namespace simhost
