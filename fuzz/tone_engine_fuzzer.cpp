// Fuzz target for the tone engine: the table construction with any inputs at
// all, then the curve and every pixel adapter on any pixels.
//
// What it checks beyond the sanitizers: the build writes every one of its N
// slots and nothing after them, touches no other field of the record, gives
// the same bits twice; the curve and the pixels read only the N table entries
// (the table is copied into a heap block of exactly N floats, so a read past
// it is an AddressSanitizer report); with both slopes 0 no colour channel
// leaves 0..1; alpha passes unchanged; the float paths agree bit for bit.
// Preserving HDR: the end slopes are finite; neutral settings return every
// channel bit for bit (8-bit and float, any float at all).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/pixel_test_entry_points.h"
#include "engine/tone_curve.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_reader.h"

namespace {

// What a hostile host's sine and cosine return, whatever the angle. Function
// pointers carry no state, so the values wait here for the one build that uses
// them; libFuzzer runs one input at a time on one thread.
double g_host_sine = 0.0;
double g_host_cosine = 0.0;
double HostSine(double /*angle*/) {
  return g_host_sine;
}
double HostCosine(double /*angle*/) {
  return g_host_cosine;
}

std::uint32_t Bits(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

bool SameBits(float a, float b) {
  return Bits(a) == Bits(b);
}

// Equal bits, or both NaN: which NaN comes out of arithmetic on a NaN depends
// on the order of the operands, which two routes of the same formula need not
// share. Every number must agree to the last bit.
bool SameValue(float a, float b) {
  return SameBits(a, b) || (a != a && b != b);
}

bool SamePixel(const FloatPixelBGRA& a, const FloatPixelBGRA& b) {
  return SameValue(a.blue, b.blue) && SameValue(a.green, b.green) && SameValue(a.red, b.red) &&
         SameBits(a.alpha, b.alpha);
}

// Quiet NaNs with payloads the construction cannot produce from its inputs'
// NaNs: a slot still holding one was never written.
float Sentinel(std::uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
const float kUnwrittenA = Sentinel(0x7fd1a5a5u);
const float kUnwrittenB = Sentinel(0xffe25a5au);

bool IsTableSize(std::int32_t n) {
  return n == 32 || n == 64 || n == 128 || n == 256 || n == 1024;
}

bool WithinUnit(float v) {
  return !(v < 0.0f) && !(v > 1.0f);
}  // NaN passes through

struct LutInputs {
  std::int32_t table_size;
  float red, green, blue;
  double contrast, width, shadows_rolloff, highlights_rolloff;
  std::int32_t clamp_white, clamp_black, preserve_hdr;
  CurveAngleFunction sine, cosine;
};

LutInputs ReadLutInputs(fuzz::FuzzReader& in) {
  static constexpr std::int32_t kSizes[] = {32, 64, 128, 256, 1024};
  LutInputs lut{};
  lut.table_size = in.Bool() ? kSizes[in.Below(5)] : in.Int32(-2, 2048);
  lut.red = in.Float(0.0f, 1.0f);
  lut.green = in.Float(0.0f, 1.0f);
  lut.blue = in.Float(0.0f, 1.0f);
  lut.contrast = in.Double(-100.0, 100.0);
  lut.width = in.Double(0.001, 1.0);
  lut.shadows_rolloff = in.Double(0.0, 1.0);
  lut.highlights_rolloff = in.Double(0.0, 1.0);
  lut.clamp_white = in.Bool() ? 0 : in.Int32(1, 1);
  lut.clamp_black = in.Bool() ? 0 : in.Int32(1, 1);
  lut.preserve_hdr = in.Bool() ? 0 : 1;
  if (in.Below(4) == 0) {
    g_host_sine = in.Double(-1.0, 1.0);
    g_host_cosine = in.Double(-1.0, 1.0);
    lut.sine = HostSine;
    lut.cosine = HostCosine;
  } else {
    lut.sine = [](double a) { return std::sin(a); };
    lut.cosine = [](double a) { return std::cos(a); };
  }
  return lut;
}

// Builds into fresh storage pre-filled with `unwritten`; checks the slots and
// the untouched fields.
ToneCurve BuildChecked(const LutInputs& lut, float unwritten, std::vector<float>& storage) {
  storage.assign(kLutCapacity, unwritten);
  ToneCurve curve{};
  curve.offset = 0.25f;
  curve.gamma = 2.5f;
  curve.gain = 0.75f;
  curve.contrast = -3.0f;
  curve.mix = 0.5f;
  BuildLut(
      &curve, storage.data(),
      {lut.table_size, lut.red, lut.green, lut.blue, lut.contrast, lut.width, lut.shadows_rolloff,
       lut.highlights_rolloff, lut.clamp_white, lut.clamp_black, lut.preserve_hdr},
      lut.sine, lut.cosine);

  FUZZ_CHECK(IsTableSize(curve.lut_size));
  FUZZ_CHECK(IsTableSize(lut.table_size) ? curve.lut_size == lut.table_size : true);
  FUZZ_CHECK(curve.lut == storage.data());
  const auto n = static_cast<std::size_t>(curve.lut_size);
  for (std::size_t k = 0; k < n; ++k) FUZZ_CHECK(!SameBits(storage[k], unwritten));
  for (std::size_t k = n; k < storage.size(); ++k) FUZZ_CHECK(SameBits(storage[k], unwritten));
  FUZZ_CHECK(curve.offset == 0.25f && curve.gamma == 2.5f && curve.gain == 0.75f);
  FUZZ_CHECK(curve.contrast == -3.0f && curve.mix == 0.5f);
  if (lut.clamp_black != 0) FUZZ_CHECK(SameBits(curve.black_slope, 0.0f));
  if (lut.clamp_white != 0) FUZZ_CHECK(SameBits(curve.white_slope, 0.0f));
  FUZZ_CHECK((curve.preserve_hdr != 0) == (lut.preserve_hdr != 0));
  // Finite for any control at all, as long as sine and cosine stay in -1..1.
  const bool trig_in_range =
      lut.sine != HostSine || (std::fabs(g_host_sine) <= 1.0 && std::fabs(g_host_cosine) <= 1.0);
  if (lut.preserve_hdr != 0 && trig_in_range) {
    FUZZ_CHECK(std::isfinite(curve.black_slope) && std::isfinite(curve.white_slope));
  }
  return curve;
}

void CheckCurve(const ToneCurve& curve, bool table_in_unit, double x) {
  const double value = EvaluateCurve(x, curve);
  const bool clamped = curve.black_slope == 0.0f && curve.white_slope == 0.0f;
  if (clamped && table_in_unit) FUZZ_CHECK(!(value < 0.0) && !(value > 1.0));
  const bool neutral = curve.offset == 0.0f && curve.gamma == 1.0f && curve.gain == 1.0f;
  if (neutral && x == x) {
    // Without a pre-transform only a slope that is not finite can make a NaN
    // from a number (an infinite one times the 0 of x - 1 at x = 1).
    const bool finite_slopes = std::isfinite(curve.black_slope) && std::isfinite(curve.white_slope);
    if (finite_slopes && table_in_unit) FUZZ_CHECK(value == value);
  }
}

// Each adapter on one pixel held in a heap block of its own size.
void CheckAdapters(const ToneCurve& curve, fuzz::FuzzReader& in) {
  void* refcon = const_cast<ToneCurve*>(&curve);

  auto in8 = std::make_unique<PF_Pixel8>(in.Raw<PF_Pixel8>());
  auto out8 = std::make_unique<PF_Pixel8>();
  FUZZ_CHECK(TransformPixel8(refcon, 0, 0, in8.get(), out8.get()) == 0);
  FUZZ_CHECK(out8->alpha == in8->alpha);

  auto in16 = std::make_unique<PF_Pixel16>(in.Raw<PF_Pixel16>());
  auto out16 = std::make_unique<PF_Pixel16>();
  FUZZ_CHECK(TransformPixel16(refcon, 0, 0, in16.get(), out16.get()) == 0);
  FUZZ_CHECK(out16->alpha == (in16->alpha > 32768 ? 32768 : in16->alpha));
  FUZZ_CHECK(out16->red <= 32768 && out16->green <= 32768 && out16->blue <= 32768);

  // The BGRA 8-bit adapter on the same bytes in its order gives the same bytes.
  auto bgra_in = std::make_unique<PF_Pixel8>();
  auto bgra_out = std::make_unique<PF_Pixel8>();
  A_u_char* bgra_bytes = &bgra_in->alpha;
  bgra_bytes[0] = in8->blue;
  bgra_bytes[1] = in8->green;
  bgra_bytes[2] = in8->red;
  bgra_bytes[3] = in8->alpha;
  FUZZ_CHECK(TransformPixel8BGRA(refcon, 0, 0, bgra_in.get(), bgra_out.get()) == 0);
  const A_u_char* bgra_result = &bgra_out->alpha;
  FUZZ_CHECK(bgra_result[0] == out8->blue && bgra_result[1] == out8->green &&
             bgra_result[2] == out8->red && bgra_result[3] == out8->alpha);

  // Values beyond white matter when preserving HDR: there any float at all.
  const bool any_float = curve.preserve_hdr != 0 && in.Bool();
  const auto channel = [&] { return any_float ? in.Raw<float>() : in.Float(-0.5f, 1.5f); };
  const float alpha = in.Float(0.0f, 1.0f);
  const float red = channel();
  const float green = channel();
  const float blue = channel();
  auto argb_in = std::make_unique<FloatPixel>(FloatPixel{alpha, red, green, blue});
  auto argb_out = std::make_unique<FloatPixel>();
  FUZZ_CHECK(TransformPixel(curve, *argb_in, argb_out.get()) == 0);
  auto float_in = std::make_unique<FloatPixelBGRA>(FloatPixelBGRA{blue, green, red, alpha});
  auto float_out = std::make_unique<FloatPixelBGRA>();
  FUZZ_CHECK(TransformPixelBGRA(refcon, 0, 0, float_in.get(), float_out.get()) == 0);
  FUZZ_CHECK(SameBits(argb_out->alpha, alpha) && SameBits(float_out->alpha, alpha));
  FUZZ_CHECK(SameValue(argb_out->red, float_out->red));
  FUZZ_CHECK(SameValue(argb_out->green, float_out->green));
  FUZZ_CHECK(SameValue(argb_out->blue, float_out->blue));
  if (curve.white_slope == 0.0f && curve.black_slope == 0.0f) {
    FUZZ_CHECK(WithinUnit(argb_out->red) && WithinUnit(argb_out->green) &&
               WithinUnit(argb_out->blue));
  }
  if (IsHdrIdentity(curve) && !FieldIsZero(curve.white_slope) && !FieldIsZero(curve.black_slope)) {
    FUZZ_CHECK(SameBits(argb_out->red, red) && SameBits(argb_out->green, green) &&
               SameBits(argb_out->blue, blue));
    FUZZ_CHECK(out8->red == in8->red && out8->green == in8->green && out8->blue == in8->blue);
  }
}

// The float row walk over a small frame with padded or bottom-up rows: every
// pixel as the per-pixel function gives it, and no byte outside the pixels
// of the rows walked is written.
void CheckRowWalk(const ToneCurve& curve, fuzz::FuzzReader& in) {
  const A_long width = static_cast<A_long>(in.Below(9));
  const A_long height = static_cast<A_long>(in.Below(9));
  const A_long rows = static_cast<A_long>(in.Below(static_cast<std::uint32_t>(height) + 1));
  const std::size_t pixel = sizeof(FloatPixelBGRA);
  const std::size_t padding = in.Below(3) * 4;
  const std::size_t stride = static_cast<std::size_t>(width) * pixel + padding;
  const bool bottom_up = in.Bool();
  const std::size_t bytes = stride * static_cast<std::size_t>(height);
  if (bytes == 0) return;

  std::vector<std::uint8_t> source_bytes(bytes);
  for (auto& byte : source_bytes) byte = in.Raw<std::uint8_t>();
  auto source = std::make_unique<std::uint8_t[]>(bytes);
  auto destination = std::make_unique<std::uint8_t[]>(bytes);
  std::memcpy(source.get(), source_bytes.data(), bytes);
  std::memset(destination.get(), 0xA5, bytes);

  const std::size_t first_row = bottom_up ? bytes - stride : 0;
  const A_long signed_stride = static_cast<A_long>(stride);
  const A_long rowbytes = bottom_up ? -signed_stride : signed_stride;
  PF_EffectWorld source_world{};
  source_world.data = reinterpret_cast<PF_PixelPtr>(source.get() + first_row);
  source_world.rowbytes = rowbytes;
  source_world.width = width;
  source_world.height = height;
  PF_EffectWorld destination_world = source_world;
  destination_world.data = reinterpret_cast<PF_PixelPtr>(destination.get() + first_row);

  TransformRowsBGRA(curve, source_world, destination_world, rows);

  FUZZ_CHECK(std::memcmp(source.get(), source_bytes.data(), bytes) == 0);
  void* refcon = const_cast<ToneCurve*>(&curve);
  for (A_long y = 0; y < height; ++y) {
    const std::size_t row = bottom_up ? bytes - stride * static_cast<std::size_t>(y + 1)
                                      : stride * static_cast<std::size_t>(y);
    for (std::size_t b = 0; b < stride; ++b) {
      const bool walked = y < rows && b < static_cast<std::size_t>(width) * pixel;
      if (!walked) FUZZ_CHECK(destination[row + b] == 0xA5);
    }
    if (y >= rows) continue;
    for (A_long x = 0; x < width; ++x) {
      FloatPixelBGRA in_pixel;
      FloatPixelBGRA expected;
      FloatPixelBGRA got;
      const std::size_t at = row + static_cast<std::size_t>(x) * pixel;
      std::memcpy(&in_pixel, source.get() + at, pixel);
      std::memcpy(&got, destination.get() + at, pixel);
      TransformPixelBGRA(refcon, x, y, &in_pixel, &expected);
      FUZZ_CHECK(SamePixel(expected, got));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzReader in(data, size);
  const LutInputs lut = ReadLutInputs(in);

  std::vector<float> storage_a;
  std::vector<float> storage_b;
  ToneCurve curve = BuildChecked(lut, kUnwrittenA, storage_a);
  const ToneCurve again = BuildChecked(lut, kUnwrittenB, storage_b);
  const auto n = static_cast<std::size_t>(curve.lut_size);
  FUZZ_CHECK(std::memcmp(storage_a.data(), storage_b.data(), n * sizeof(float)) == 0);
  FUZZ_CHECK(SameBits(curve.black_slope, again.black_slope));
  FUZZ_CHECK(SameBits(curve.white_slope, again.white_slope));

  bool table_in_unit = true;
  for (std::size_t k = 0; k < n; ++k)
    table_in_unit = table_in_unit && storage_a[k] >= 0.0f && storage_a[k] <= 1.0f;

  // The table the curve reads lives in a block of exactly N floats.
  auto table = std::make_unique<float[]>(n);
  std::memcpy(table.get(), storage_a.data(), n * sizeof(float));
  curve.lut = table.get();
  curve.offset = in.Float(-5.0f, 5.0f);
  curve.gamma = in.Float(0.0f, 10.0f);
  curve.gain = in.Float(0.0f, 10.0f);
  curve.contrast = in.Bool() ? static_cast<float>(lut.contrast) : in.Float(-100.0f, 100.0f);
  curve.mix = in.Bool() ? 1.0f : in.Float(0.0f, 1.0f);
  if (in.Below(8) == 0) curve.black_slope = in.Float(0.0f, 4.0f);
  if (in.Below(8) == 0) curve.white_slope = in.Float(0.0f, 4.0f);

  for (int i = 0; i < 4; ++i) CheckCurve(curve, table_in_unit, in.Double(-0.5, 1.5));
  for (int i = 0; i < 4; ++i) CheckAdapters(curve, in);
  CheckRowWalk(curve, in);
  return 0;
}
