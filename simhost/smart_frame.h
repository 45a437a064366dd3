// What the simulated host needs for After Effects' smart commands: the frame a
// test asks for (inputs and output with their layer positions), what the host
// hands out during the commands, and what the effect did with it.
#pragma once

#include <cstdint>
#include <vector>

#include "host_sdk/host_records.h"
#include "host_sdk/smart_render.h"
#include "simhost/effect_settings.h"
#include "simhost/world.h"

namespace simhost {

// The layer area of an image of `width` x `height` whose first pixel sits at
// (`origin_x`, `origin_y`), its far edges held at the largest coordinate
// instead of overflowing for origins near the end of the range.
inline PF_LRect LayerArea(A_long origin_x, A_long origin_y, A_long width, A_long height) {
  auto end = [](A_long origin, A_long size) {
    const int64_t sum = int64_t{origin} + size;
    return static_cast<A_long>(sum > INT32_MAX ? INT32_MAX : (sum < INT32_MIN ? INT32_MIN : sum));
  };
  return PF_LRect{origin_x, origin_y, end(origin_x, width), end(origin_y, height)};
}

// An image as a smart checkout hands it out: `origin_x`, `origin_y` are the
// layer position of its first pixel.
struct SmartLayer {
  HostImage* image = nullptr;  // null: the checkout hands out a null world
  A_long origin_x = 0;
  A_long origin_y = 0;
  bool null_data = false;  // the world is handed out with a null `data`
};

struct SmartFrame {
  SmartLayer input;
  SmartLayer output;
  // The request in layer coordinates; when not given, the output's own area.
  bool request_given = false;
  PF_LRect request{};
  bool preserve_rgb_of_zero_alpha = false;
};

struct LayerCheckoutRecord {
  PF_ParamIndex index;
  A_long id;
  PF_RenderRequest request;
  A_long what_time;
  A_long time_step;
  A_u_long time_scale;
};

// What the effect did during the smart commands since the last `ClearRecords`.
struct SmartRecords {
  std::vector<LayerCheckoutRecord> layer_checkouts;  // accepted ones
  std::vector<A_long> pixel_checkouts;               // ids, accepted ones
  std::vector<A_long> pixel_checkins;
  int output_checkouts = 0;
  bool output_before_input = false;  // checkout_output before any input pixels
  int param_checkouts = 0;           // accepted ones
  int param_checkins = 0;            // of a parameter that was checked out
  int unmatched_param_checkins = 0;  // with nothing checked out
  int pixel_format_queries = 0;
  int pre_render_data_deleted = 0;  // by the effect's deleter or freed by the host
  PF_PreRenderOutput pre_render_answer{};

  // Every parameter checked out was checked in, once.
  bool ParamsBalanced() const {
    return param_checkouts == param_checkins && unmatched_param_checkins == 0;
  }
};

// The host's side of the commands of one frame, alive from the pre-render to
// the end of the render.
struct SmartSession {
  RenderParams params;
  PF_EffectWorld input_world{};
  PF_EffectWorld output_world{};
  bool has_input = false;
  bool has_output = false;
  std::vector<A_long> registered_ids;  // by the pre-render's checkouts
  std::vector<A_long> pixels_out;      // ids checked out in the render
  std::vector<A_long> pixels_in;       // ids checked in again
  A_short bitdepth = 8;
  PF_RenderRequest request{};
  int params_out = 0;            // checked out, not yet checked in
  int param_checkout_calls = 0;  // failed ones included
};

// The bits per channel of a format, as the host reports them in `bitdepth`.
A_short BitDepthOf(HostPixelFormat format);

}  // namespace simhost
