// Checks what we declare of the smart render protocol and its suites against the
// layout and constants the host's own Windows x64 build printed (tests/host_sdk/data):
// every member of every record we declare, the scalar types, and every constant we
// name. Records and constants the classic golden files also list are checked by
// host_abi_test; here the two files are shown to agree on them. The exact types of
// the callbacks whose pointer depth is easy to get wrong are pinned at compile time.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "host_sdk/host_constants.h"
#include "host_sdk/host_records.h"
#include "host_sdk/smart_render.h"
#include "host_sdk/smart_suites.h"
#include "tests/host_sdk/golden_abi.h"

namespace {

static_assert(std::is_same_v<decltype(PF_SmartRenderCallbacks::checkout_layer_pixels),
                             PF_Err (*)(PF_ProgPtr, A_long, PF_EffectWorld**)>);
static_assert(std::is_same_v<decltype(PF_SmartRenderCallbacks::checkout_output),
                             PF_Err (*)(PF_ProgPtr, PF_EffectWorld**)>);
static_assert(std::is_same_v<decltype(PF_PreRenderCallbacks::checkout_layer),
                             PF_Err (*)(PF_ProgPtr, PF_ParamIndex, A_long, const PF_RenderRequest*,
                                        A_long, A_long, A_u_long, PF_CheckoutResult*)>);
static_assert(std::is_same_v<decltype(PF_WorldSuite2::PF_GetPixelFormat),
                             PF_Err (*)(const PF_EffectWorld*, PF_PixelFormat*)>);
static_assert(std::is_same_v<decltype(PF_IterateFloatSuite1::iterate),
                             PF_Err (*)(PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*,
                                        void*, PF_IteratePixelFloatFunc, PF_EffectWorld*)>);
static_assert(std::is_same_v<PF_RenderOutputFlags, int16_t>);

std::vector<golden_abi::LayoutRow> DeclaredLayout() {
  return {
      SIZE_ROW(PF_Pixel32),
      MEMBER_ROW(PF_Pixel32, alpha),
      MEMBER_ROW(PF_Pixel32, red),
      MEMBER_ROW(PF_Pixel32, green),
      MEMBER_ROW(PF_Pixel32, blue),
      SIZE_ROW(PF_RenderRequest),
      MEMBER_ROW(PF_RenderRequest, rect),
      MEMBER_ROW(PF_RenderRequest, field),
      MEMBER_ROW(PF_RenderRequest, channel_mask),
      MEMBER_ROW(PF_RenderRequest, preserve_rgb_of_zero_alpha),
      MEMBER_ROW(PF_RenderRequest, unused),
      MEMBER_ROW(PF_RenderRequest, reserved),
      MEMBER_ROW(PF_RenderRequest, rect.left),
      MEMBER_ROW(PF_RenderRequest, rect.top),
      MEMBER_ROW(PF_RenderRequest, rect.right),
      MEMBER_ROW(PF_RenderRequest, rect.bottom),
      SIZE_ROW(PF_PreRenderInput),
      MEMBER_ROW(PF_PreRenderInput, output_request),
      MEMBER_ROW(PF_PreRenderInput, bitdepth),
      MEMBER_ROW(PF_PreRenderInput, gpu_data),
      MEMBER_ROW(PF_PreRenderInput, what_gpu),
      MEMBER_ROW(PF_PreRenderInput, device_index),
      MEMBER_ROW(PF_PreRenderInput, output_request.rect),
      MEMBER_ROW(PF_PreRenderInput, output_request.field),
      MEMBER_ROW(PF_PreRenderInput, output_request.channel_mask),
      MEMBER_ROW(PF_PreRenderInput, output_request.preserve_rgb_of_zero_alpha),
      SIZE_ROW(PF_PreRenderOutput),
      MEMBER_ROW(PF_PreRenderOutput, result_rect),
      MEMBER_ROW(PF_PreRenderOutput, max_result_rect),
      MEMBER_ROW(PF_PreRenderOutput, solid),
      MEMBER_ROW(PF_PreRenderOutput, reserved),
      MEMBER_ROW(PF_PreRenderOutput, flags),
      MEMBER_ROW(PF_PreRenderOutput, pre_render_data),
      MEMBER_ROW(PF_PreRenderOutput, delete_pre_render_data_func),
      MEMBER_ROW(PF_PreRenderOutput, result_rect.left),
      MEMBER_ROW(PF_PreRenderOutput, max_result_rect.left),
      SIZE_ROW(PF_CheckoutResult),
      MEMBER_ROW(PF_CheckoutResult, result_rect),
      MEMBER_ROW(PF_CheckoutResult, max_result_rect),
      MEMBER_ROW(PF_CheckoutResult, par),
      MEMBER_ROW(PF_CheckoutResult, solid),
      MEMBER_ROW(PF_CheckoutResult, reservedB),
      MEMBER_ROW(PF_CheckoutResult, ref_width),
      MEMBER_ROW(PF_CheckoutResult, ref_height),
      MEMBER_ROW(PF_CheckoutResult, reserved),
      MEMBER_ROW(PF_CheckoutResult, par.num),
      MEMBER_ROW(PF_CheckoutResult, par.den),
      SIZE_ROW(PF_PreRenderCallbacks),
      MEMBER_ROW(PF_PreRenderCallbacks, checkout_layer),
      MEMBER_ROW(PF_PreRenderCallbacks, GuidMixInPtr),
      SIZE_ROW(PF_PreRenderExtra),
      MEMBER_ROW(PF_PreRenderExtra, input),
      MEMBER_ROW(PF_PreRenderExtra, output),
      MEMBER_ROW(PF_PreRenderExtra, cb),
      SIZE_ROW(PF_SmartRenderInput),
      MEMBER_ROW(PF_SmartRenderInput, output_request),
      MEMBER_ROW(PF_SmartRenderInput, bitdepth),
      MEMBER_ROW(PF_SmartRenderInput, pre_render_data),
      MEMBER_ROW(PF_SmartRenderInput, gpu_data),
      MEMBER_ROW(PF_SmartRenderInput, what_gpu),
      MEMBER_ROW(PF_SmartRenderInput, device_index),
      MEMBER_ROW(PF_SmartRenderInput, output_request.rect),
      MEMBER_ROW(PF_SmartRenderInput, output_request.field),
      MEMBER_ROW(PF_SmartRenderInput, output_request.channel_mask),
      MEMBER_ROW(PF_SmartRenderInput, output_request.preserve_rgb_of_zero_alpha),
      SIZE_ROW(PF_SmartRenderCallbacks),
      MEMBER_ROW(PF_SmartRenderCallbacks, checkout_layer_pixels),
      MEMBER_ROW(PF_SmartRenderCallbacks, checkin_layer_pixels),
      MEMBER_ROW(PF_SmartRenderCallbacks, checkout_output),
      SIZE_ROW(PF_SmartRenderExtra),
      MEMBER_ROW(PF_SmartRenderExtra, input),
      MEMBER_ROW(PF_SmartRenderExtra, cb),
      SIZE_ROW(PF_WorldSuite2),
      MEMBER_ROW(PF_WorldSuite2, PF_NewWorld),
      MEMBER_ROW(PF_WorldSuite2, PF_DisposeWorld),
      MEMBER_ROW(PF_WorldSuite2, PF_GetPixelFormat),
      SIZE_ROW(PF_IterateFloatSuite1),
      MEMBER_ROW(PF_IterateFloatSuite1, iterate),
      MEMBER_ROW(PF_IterateFloatSuite1, iterate_origin),
      MEMBER_ROW(PF_IterateFloatSuite1, iterate_origin_non_clip_src),
      SIZE_ROW(PF_WorldFlags),
      SIZE_ROW(PF_Field),
      SIZE_ROW(PF_ChannelMask),
      SIZE_ROW(PF_GPU_Framework),
      SIZE_ROW(PF_RenderOutputFlags),
      SIZE_ROW(PF_PixelFormat),
      SIZE_ROW(PF_Boolean),
      SIZE_ROW(PF_FpShort),
      SIZE_ROW(PF_OutFlags),
      SIZE_ROW(PF_OutFlags2),
      SIZE_ROW(PF_InFlags),
      SIZE_ROW(PF_Cmd),
      SIZE_ROW(PF_Err),
      SIZE_ROW(PF_ParamIndex),
      SIZE_ROW(PF_NewWorldFlags),
      SIZE_ROW(PF_ProgPtr),
      SIZE_ROW(PF_PixelPtr),
      SIZE_ROW(PF_ConstHandle),
      SIZE_ROW(PF_DeletePreRenderDataFunc),
      SIZE_ROW(PF_IteratePixelFloatFunc),
  };
}

std::vector<golden_abi::ConstantRow> DeclaredConstants() {
  return {
      VALUE_ROW(PF_OutFlag2_I_MIX_GUID_DEPENDENCIES),
      VALUE_ROW(PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA),
      VALUE_ROW(PF_OutFlag2_SUPPORTS_GPU_RENDER_F32),
      VALUE_ROW(PF_OutFlag2_MUTABLE_RENDER_SEQUENCE_DATA_SLOWER),
      VALUE_ROW(PF_InFlag_NONE),
      VALUE_ROW(PF_InFlag_PROJECT_IS_RENDER_ONLY),
      VALUE_ROW(PF_ChannelMask_ALPHA),
      VALUE_ROW(PF_ChannelMask_RED),
      VALUE_ROW(PF_ChannelMask_GREEN),
      VALUE_ROW(PF_ChannelMask_BLUE),
      VALUE_ROW(PF_ChannelMask_ARGB),
      VALUE_ROW(PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS),
      VALUE_ROW(PF_RenderOutputFlag_GPU_RENDER_POSSIBLE),
      VALUE_ROW(PF_RenderOutputFlag_RESERVED1),
      VALUE_ROW(PF_GPU_Framework_NONE),
      VALUE_ROW(PF_GPU_Framework_OPENCL),
      VALUE_ROW(PF_GPU_Framework_METAL),
      VALUE_ROW(PF_GPU_Framework_CUDA),
      VALUE_ROW(PF_PixelFormat_INVALID),
      VALUE_ROW(PF_PLUG_IN_VERSION),
      VALUE_ROW(PF_PLUG_IN_SUBVERS),
      VALUE_ROW(PF_AE182_PLUG_IN_SUBVERS),
      VALUE_ROW(PF_AE234_PLUG_IN_SUBVERS),
      VALUE_ROW(PF_AE182_PLUG_IN_VERSION),
      VALUE_ROW(PF_AE234_PLUG_IN_VERSION),
      STRING_ROW(kPFWorldSuite),
      VALUE_ROW(kPFWorldSuiteVersion2),
      STRING_ROW(kPFIterateFloatSuite),
      VALUE_ROW(kPFIterateFloatSuiteVersion1),
  };
}

std::string DataFile(const char* name) {
  return std::string(VELMORA_HOST_ABI_DATA_DIR) + "/" + name;
}

TEST(SmartAbiLayout, EveryDeclaredRecordAndMemberMatchesTheHost) {
  golden_abi::ExpectDeclaredRowsMatch(
      DeclaredLayout(), golden_abi::ReadLayout(DataFile("host-abi-smartfx-offsets.txt")));
}

TEST(SmartAbiLayout, EveryHostMemberOfADeclaredRecordIsChecked) {
  golden_abi::ExpectEveryHostRowOfDeclaredRecordsChecked(
      DeclaredLayout(), golden_abi::ReadLayout(DataFile("host-abi-smartfx-offsets.txt")));
}

TEST(SmartAbiConstants, EveryDeclaredConstantMatchesTheHost) {
  golden_abi::ExpectDeclaredConstantsMatch(
      DeclaredConstants(), golden_abi::ReadConstants(DataFile("host-abi-smartfx-constants.txt")));
}

// What both sets of golden files list must be the same numbers, so that the
// classic layout test covers those lines of this set.
TEST(SmartAbiLayout, SharedGoldenLinesAgreeWithTheClassicOnes) {
  const auto classic = golden_abi::ReadLayout(DataFile("host-abi-offsets.txt"));
  for (const auto& [key, row] : golden_abi::ReadLayout(DataFile("host-abi-smartfx-offsets.txt"))) {
    const auto shared = classic.find(key);
    if (shared == classic.end()) continue;
    EXPECT_EQ(golden_abi::Describe(shared->second), golden_abi::Describe(row)) << key;
  }
  const auto classic_constants = golden_abi::ReadConstants(DataFile("host-abi-constants.txt"));
  for (const auto& [name, value] :
       golden_abi::ReadConstants(DataFile("host-abi-smartfx-constants.txt"))) {
    const auto shared = classic_constants.find(name);
    if (shared == classic_constants.end()) continue;
    EXPECT_EQ(shared->second, value) << name;
  }
}

}  // namespace
