// Renders through the bundle under the simulated host compared with the
// engine at zero tolerance: 8-bit and float pixels with After Effects' own
// pixel functions on the curve its render builds from the same settings,
// 16-bit pixels (white 65535) with the plain transcription of the curve and
// that depth's conversions; in tiles on several threads, with padded and
// negative row bytes and bounds larger than the window; nothing outside the
// window is written.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "engine/pixel_transform.h"
#include "tests/engine/reference_transform.h"
#include "tests/ofx/ofx_fixture.h"

namespace ofx_test {
namespace {

constexpr OfxRectI kSourceBounds = {-5, -3, 45, 37};
constexpr OfxRectI kOutputBounds = {0, 0, 40, 32};
constexpr OfxRectI kWindow = {3, 2, 37, 30};

float SixteenBitIn(uint16_t code) {
  return static_cast<float>(static_cast<double>(code) / 65535.0);
}

uint16_t SixteenBitOut(float value) {
  const double scaled = static_cast<double>(value) * 65535.0;
  if (!(scaled > 0.0)) return 0;
  if (scaled >= 65535.0) return 65535;
  return static_cast<uint16_t>(std::floor(scaled + 0.5));
}

// The expected output bytes of one pixel.
std::vector<unsigned char> Expected(PredictedFrame& predicted, const std::string& depth,
                                    int32_t channels, const unsigned char* in) {
  std::vector<unsigned char> out(static_cast<size_t>(channels) * 4);
  void* frame = &predicted.frame;
  if (depth == kOfxBitDepthByte) {
    PF_Pixel8 pixel{channels == 4 ? in[3] : uint8_t{0}, in[0], in[1], in[2]};
    PF_Pixel8 result{};
    PixelFunction8For(predicted.frame)(frame, 0, 0, &pixel, &result);
    const uint8_t rgba[4] = {result.red, result.green, result.blue, result.alpha};
    std::memcpy(out.data(), rgba, static_cast<size_t>(channels));
    out.resize(static_cast<size_t>(channels));
  } else if (depth == kOfxBitDepthFloat) {
    float c[4] = {0, 0, 0, 0};
    std::memcpy(c, in, sizeof(float) * static_cast<size_t>(channels));
    PF_PixelFloat pixel{c[3], c[0], c[1], c[2]};
    PF_PixelFloat result{};
    PixelFunctionFloatFor(predicted.frame)(frame, 0, 0, &pixel, &result);
    const float rgba[4] = {result.red, result.green, result.blue, result.alpha};
    std::memcpy(out.data(), rgba, sizeof(float) * static_cast<size_t>(channels));
  } else {
    uint16_t c[4] = {0, 0, 0, 0};
    std::memcpy(c, in, sizeof(uint16_t) * static_cast<size_t>(channels));
    const FloatPixel result = velmora_reference::TransformPixel(
        predicted.frame.curve, {0.0f, SixteenBitIn(c[0]), SixteenBitIn(c[1]), SixteenBitIn(c[2])});
    const uint16_t rgba[4] = {SixteenBitOut(result.red), SixteenBitOut(result.green),
                              SixteenBitOut(result.blue), c[3]};
    std::memcpy(out.data(), rgba, sizeof(uint16_t) * static_cast<size_t>(channels));
    out.resize(sizeof(uint16_t) * static_cast<size_t>(channels));
  }
  return out;
}

void FillRandom(TestImage& image, const std::string& depth, uint32_t seed) {
  std::mt19937 random(seed);
  const OfxRectI& b = image.bounds();
  for (int32_t y = b.y1; y < b.y2; ++y) {
    for (int32_t x = b.x1; x < b.x2; ++x) {
      for (int32_t c = 0; c < image.channels(); ++c) {
        if (depth == kOfxBitDepthByte) {
          image.At<uint8_t>(x, y)[c] = static_cast<uint8_t>(random());
        } else if (depth == kOfxBitDepthShort) {
          image.At<uint16_t>(x, y)[c] = static_cast<uint16_t>(random());
        } else {
          // Beyond 0..1 on both sides, as float frames are.
          image.At<float>(x, y)[c] = static_cast<float>(random() % 30000) / 20000.0f - 0.25f;
        }
      }
    }
  }
}

class OfxRender : public OfxPluginTest {};

// Every depth and layout, the window rendered as four tiles at once.
TEST_F(OfxRender, EveryDepthAndLayoutEqualsTheEngineInConcurrentTiles) {
  const simhost::EffectSettings settings = BusySettings();
  Apply(settings);
  PredictedFrame predicted(settings);
  const unsigned char untouched = 0xA5;
  for (const char* depth : {kOfxBitDepthByte, kOfxBitDepthShort, kOfxBitDepthFloat}) {
    for (int32_t channels : {4, 3}) {
      for (bool top_down : {false, true}) {
        SCOPED_TRACE(std::string(depth) + (channels == 4 ? " RGBA" : " RGB") +
                     (top_down ? " top-down" : " bottom-up"));
        TestImage source(kSourceBounds, channels, depth, 0, !top_down);
        TestImage output(kOutputBounds, channels, depth, 12, top_down, untouched);
        FillRandom(source, depth, 7);
        Attach(source, output);
        const int32_t middle_x = (kWindow.x1 + kWindow.x2) / 2;
        const int32_t middle_y = (kWindow.y1 + kWindow.y2) / 2;
        const OfxRectI tiles[] = {{kWindow.x1, kWindow.y1, middle_x, middle_y},
                                  {middle_x, kWindow.y1, kWindow.x2, middle_y},
                                  {kWindow.x1, middle_y, middle_x, kWindow.y2},
                                  {middle_x, middle_y, kWindow.x2, kWindow.y2}};
        std::vector<std::thread> threads;
        std::vector<OfxStatus> results(4, kOfxStatFailed);
        for (size_t i = 0; i < 4; ++i) {
          threads.emplace_back([&, i] { results[i] = host_.Render(0.0, tiles[i]); });
        }
        for (std::thread& t : threads) t.join();
        for (OfxStatus status : results) EXPECT_EQ(status, kOfxStatOK);

        const size_t pixel_bytes =
            static_cast<size_t>(channels) * (depth == kOfxBitDepthByte    ? 1
                                             : depth == kOfxBitDepthShort ? 2
                                                                          : 4);
        size_t wrong = 0, written_outside = 0;
        for (int32_t y = kOutputBounds.y1; y < kOutputBounds.y2; ++y) {
          for (int32_t x = kOutputBounds.x1; x < kOutputBounds.x2; ++x) {
            const unsigned char* got = output.Pixel(x, y);
            const bool inside =
                x >= kWindow.x1 && x < kWindow.x2 && y >= kWindow.y1 && y < kWindow.y2;
            const std::vector<unsigned char> want =
                inside ? Expected(predicted, depth, channels, source.Pixel(x, y))
                       : std::vector<unsigned char>(pixel_bytes, untouched);
            if (std::memcmp(got, want.data(), want.size()) != 0)
              ++(inside ? wrong : written_outside);
          }
        }
        EXPECT_EQ(wrong, 0u);
        EXPECT_EQ(written_outside, 0u);
      }
    }
  }
}

// 16-bit: every grey code, then a large random sample, against the plain
// transcription; and with neutral settings every code comes back as itself.
TEST_F(OfxRender, SixteenBitEveryGreyCodeAndASampleAtZeroTolerance) {
  for (bool neutral : {false, true}) {
    SCOPED_TRACE(neutral ? "neutral" : "busy");
    const simhost::EffectSettings settings = neutral ? simhost::EffectSettings{} : BusySettings();
    Apply(settings);
    PredictedFrame predicted(settings);
    const OfxRectI bounds = {0, 0, 512, 640};  // 65536 greys, then 262144 random pixels
    TestImage source(bounds, 4, kOfxBitDepthShort);
    TestImage output(bounds, 4, kOfxBitDepthShort);
    std::mt19937 random(11);
    for (int32_t y = 0; y < bounds.y2; ++y) {
      for (int32_t x = 0; x < bounds.x2; ++x) {
        uint16_t* p = source.At<uint16_t>(x, y);
        const int32_t n = y * bounds.x2 + x;
        for (int32_t c = 0; c < 4; ++c) p[c] = static_cast<uint16_t>(random());
        if (n < 65536) p[0] = p[1] = p[2] = static_cast<uint16_t>(n);
      }
    }
    Attach(source, output);
    ASSERT_EQ(host_.Render(0.0, bounds), kOfxStatOK);
    size_t wrong = 0;
    for (int32_t y = 0; y < bounds.y2; ++y) {
      for (int32_t x = 0; x < bounds.x2; ++x) {
        const unsigned char* in = source.Pixel(x, y);
        const std::vector<unsigned char> want = neutral
                                                    ? std::vector<unsigned char>(in, in + 8)
                                                    : Expected(predicted, kOfxBitDepthShort, 4, in);
        if (std::memcmp(output.Pixel(x, y), want.data(), 8) != 0) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0u);
  }
}

// The values at the render's time: a key at frame 7 changes frame 7 only.
TEST_F(OfxRender, ParametersAreReadAtTheRenderTime) {
  simhost::EffectSettings keyed = BusySettings();
  Apply(keyed);
  keyed.Slider(PARAM_CONTRAST) = -60.0;
  host_.SetParamAt("Contrast", 7.0, {keyed.Slider(PARAM_CONTRAST)});
  PredictedFrame predicted(keyed);
  TestImage source(kOutputBounds, 4, kOfxBitDepthFloat);
  TestImage output(kOutputBounds, 4, kOfxBitDepthFloat);
  FillRandom(source, kOfxBitDepthFloat, 3);
  Attach(source, output);
  ASSERT_EQ(host_.Render(7.0, kOutputBounds), kOfxStatOK);
  const std::vector<unsigned char> want =
      Expected(predicted, kOfxBitDepthFloat, 4, source.Pixel(5, 5));
  EXPECT_EQ(std::memcmp(output.Pixel(5, 5), want.data(), want.size()), 0);
}

}  // namespace
}  // namespace ofx_test
