#include "tests/windows/ofx_report.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "ofx_sdk/ofx_constants.h"
#include "simofx/descriptor_report.h"
#include "simofx/host_image.h"
#include "simofx/ofx_host.h"

namespace {

using simofx::HostImage;

struct SettingsCase {
  const char* label;
  std::vector<std::pair<const char*, std::vector<double>>> values;
};

const SettingsCase kCases[] = {
    {"defaults", {}},
    {"busy",
     {{"Quality", {3}},
      {"Offset", {0.02}},
      {"Gamma", {1.3}},
      {"Gain", {1.1}},
      {"Contrast", {35}},
      {"Pivot", {0.55, 0.47, 0.39}},
      {"ContrastWidth", {0.6}},
      {"ShadowsRolloff", {0.3}},
      {"HighlightsRolloff", {0.2}},
      {"BlendWithOriginal", {20}},
      {"ClampWhiteOnOutput", {1}}}},
    {"steep-clamped",
     {{"Quality", {4}},
      {"Contrast", {-80}},
      {"Pivot", {0.2, 0.3, 0.25}},
      {"ClampBlackOnOutput", {1}},
      {"ClampWhiteOnOutput", {1}}}},
    {"full-blend", {{"Contrast", {50}}, {"BlendWithOriginal", {100}}}},
};

uint32_t Next(uint32_t* state) {
  *state ^= *state << 13;
  *state ^= *state >> 17;
  *state ^= *state << 5;
  return *state;
}

// The same pixels on every platform: integer codes from a fixed sequence,
// floats beyond 0..1 with a NaN, infinities, a negative zero and a subnormal.
void FillSource(HostImage& image) {
  uint32_t state = 2463534242u;
  const float specials[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            -0.0f,
                            1e-40f,
                            1.0f};
  const OfxRectI& b = image.bounds();
  for (int32_t y = b.y1; y < b.y2; ++y) {
    for (int32_t x = b.x1; x < b.x2; ++x) {
      for (int32_t c = 0; c < image.channels(); ++c) {
        const uint32_t r = Next(&state);
        if (image.depth() == kOfxBitDepthByte) {
          image.At<uint8_t>(x, y)[c] = static_cast<uint8_t>(r);
        } else if (image.depth() == kOfxBitDepthShort) {
          image.At<uint16_t>(x, y)[c] = static_cast<uint16_t>(r);
        } else {
          image.At<float>(x, y)[c] = r % 97 == 0 ? specials[(r >> 8) % 6]
                                                 : static_cast<float>(r % 40000) / 25000.0f - 0.3f;
        }
      }
    }
  }
}

uint64_t Fnv1a(const unsigned char* bytes, size_t count) {
  uint64_t hash = 14695981039346656037ull;
  for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return hash;
}

void WriteRows(HostImage& output, std::ostream& out) {
  const size_t row = static_cast<size_t>(output.Width()) * static_cast<size_t>(output.PixelBytes());
  for (int32_t y = output.bounds().y1; y < output.bounds().y2; ++y) {
    char text[32];
    std::snprintf(text, sizeof text, "  %016llx\n",
                  static_cast<unsigned long long>(Fnv1a(output.Pixel(output.bounds().x1, y), row)));
    out << text;
  }
}

// One depth and layout: two tiles of the window, each its own render call.
void RenderCase(simofx::OfxHostSim& host, const char* depth, int32_t channels, std::ostream& out) {
  HostImage source({-2, -1, 35, 22}, channels, depth, 0, false);
  HostImage output({0, 0, 33, 19}, channels, depth, 8, true);
  FillSource(source);
  host.SetClipImage(kOfxImageEffectSimpleSourceClipName, source.Record());
  host.SetClipImage(kOfxImageEffectOutputClipName, output.Record());
  const OfxStatus first = host.Render(0.0, {1, 1, 17, 18});
  const OfxStatus second = host.Render(0.0, {17, 1, 32, 18});
  out << " " << depth << " " << channels << " status " << first << " " << second << "\n";
  WriteRows(output, out);
}

}  // namespace

bool WriteOfxReport(const std::string& binary, std::ostream& out) {
  simofx::OfxHostSim host;
  if (!host.Load(binary)) return false;
  out << "describe " << host.Describe() << "\n" << simofx::DescriptorReport(host);
  out << "create " << host.CreateInstance() << "\n";
  for (const SettingsCase& settings : kCases) {
    for (const auto& [name, value] : settings.values) host.SetParam(name, value);
    std::string clip;
    const OfxStatus identity = host.IsIdentity(0.0, {0, 0, 33, 19}, &clip);
    out << "settings " << settings.label << " identity " << identity << " '" << clip << "'\n";
    for (const char* depth : {kOfxBitDepthByte, kOfxBitDepthShort, kOfxBitDepthFloat}) {
      for (int32_t channels : {4, 3}) RenderCase(host, depth, channels, out);
    }
  }
  HostImage output({0, 0, 33, 19}, 4, kOfxBitDepthFloat);
  host.SetClipImage(kOfxImageEffectSimpleSourceClipName, output.Record(), true);
  host.SetClipImage(kOfxImageEffectOutputClipName, output.Record());
  out << "missing source " << host.Render(0.0, {0, 0, 33, 19}) << "\n";
  WriteRows(output, out);
  host.faults().abort_after = host.ledger().abort_calls + 5;
  out << "abort " << host.Render(0.0, {0, 0, 33, 19}) << "\n";
  out << "images fetched " << host.ledger().fetched << " released " << host.ledger().released
      << "\n";
  out << "destroy " << host.DestroyInstance() << " unload " << host.Unload() << "\n";
  return true;
}
