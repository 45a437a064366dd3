// Frames through the module, as the hosts send them. A group renders one
// source of input pixels in frames of one size, which selects the route: a
// frame too small for a table of levels takes the per-pixel routes (short,
// pre-transformed, blended, general), a larger 8-bit frame the table by
// channel pair, a frame of a million pixels or more the table of output codes
// too, a large 16-bit frame the table by code sum. Each group's line gives the
// first failing result (0 when none) and the hash of every output frame in
// turn; the line after it gives a few pixels, input and output.
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "simhost/host.h"
#include "simhost/world.h"
#include "tests/golden/golden_text.h"
#include "tests/golden/goldens.h"
#include "tests/support/fnv1a.h"
#include "tests/support/format_names.h"

namespace {

using simhost::HostImage;
using simhost::HostMode;
using simhost::HostPixelFormat;
using simhost::SimulatedHost;

constexpr int kThreads = 2;

// A frame's controls in the effect's own units.
struct Controls {
  std::string name;
  int quality = 3;
  double offset = 0.0;
  double gamma = 1.0;
  double gain = 1.0;
  double contrast = 0.0;
  PF_Pixel pivot = {255, 128, 128, 128};  // alpha, red, green, blue
  double width = 1.0;
  double shadows_rolloff = 0.0;
  double highlights_rolloff = 0.0;
  double blend_percent = 0.0;
  bool clamp_white = false;
  bool clamp_black = false;
};

// The one place the controls meet the simulated host's settings.
simhost::EffectSettings HostSettings(const Controls& controls) {
  simhost::EffectSettings settings;
  settings.quality = controls.quality;
  settings.offset = controls.offset;
  settings.gamma = controls.gamma;
  settings.gain = controls.gain;
  settings.contrast = controls.contrast;
  settings.pivot = controls.pivot;
  settings.width = controls.width;
  settings.shadows_rolloff = controls.shadows_rolloff;
  settings.highlights_rolloff = controls.highlights_rolloff;
  settings.blend = static_cast<PF_Fixed>(controls.blend_percent * 65536.0);
  settings.clamp_white = controls.clamp_white ? 1 : 0;
  settings.clamp_black = controls.clamp_black ? 1 : 0;
  return settings;
}

Controls Make(const char* name, const std::function<void(Controls&)>& change) {
  Controls controls;
  controls.name = name;
  change(controls);
  return controls;
}

// Indices into this list name the controls of each group below.
std::vector<Controls> ControlsList() {
  return {
      Make("defaults", [](Controls&) {}),  // the table not applied: the general route
      Make("contrast_50", [](Controls& c) { c.contrast = 50.0; }),
      Make("pre_transformed",
           [](Controls& c) {
             c.quality = 4;
             c.contrast = 30.0;
             c.gamma = 0.45;
             c.gain = 1.2;
             c.offset = -0.05;
           }),
      Make("blended",
           [](Controls& c) {
             c.quality = 2;
             c.contrast = -40.0;
             c.blend_percent = 35.0;
             c.pivot = {255, 200, 60, 30};
           }),
      Make("pre_transformed_blended",
           [](Controls& c) {
             c.quality = 5;
             c.contrast = 60.0;
             c.gamma = 2.2;
             c.gain = 0.9;
             c.offset = 0.02;
             c.blend_percent = 50.0;
             c.width = 0.3;
             c.shadows_rolloff = 0.4;
             c.highlights_rolloff = 0.6;
           }),
      Make("gain_only",
           [](Controls& c) {
             c.gain = 1.5;
             c.offset = -0.1;
           }),
      Make("clamped_near_white",
           [](Controls& c) {
             c.quality = 1;
             c.contrast = -75.0;
             c.pivot = {255, 254, 254, 254};
             c.width = 0.001;
             c.offset = 0.1;
             c.clamp_white = true;
             c.clamp_black = true;
           }),
      Make("extended_ends",
           [](Controls& c) {
             c.contrast = 80.0;
             c.pivot = {255, 20, 20, 20};
             c.gain = 1.4;
             c.offset = -0.2;
           }),
      Make("full_blend",
           [](Controls& c) {
             c.contrast = 50.0;
             c.blend_percent = 100.0;
           }),
  };
}

// Our own generator: std:: distributions differ between standard libraries.
uint64_t Mix(uint64_t x) {
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

// A pixel as alpha, red, green, blue, whatever the format's order.
struct Pixel {
  double channels[4];
};

void Store(HostImage& image, A_long x, A_long y, const Pixel& p) {
  const double* c = p.channels;
  uint8_t* at = image.Row(y) + static_cast<std::size_t>(x) * simhost::PixelSize(image.Format());
  switch (image.Format()) {
    case HostPixelFormat::ARGB8:
    case HostPixelFormat::BGRA8: {
      const bool bgra = image.Format() == HostPixelFormat::BGRA8;
      for (int i = 0; i < 4; ++i) at[bgra ? 3 - i : i] = static_cast<uint8_t>(c[i]);
      break;
    }
    case HostPixelFormat::ARGB16: {
      const uint16_t words[4] = {static_cast<uint16_t>(c[0]), static_cast<uint16_t>(c[1]),
                                 static_cast<uint16_t>(c[2]), static_cast<uint16_t>(c[3])};
      std::memcpy(at, words, sizeof words);
      break;
    }
    case HostPixelFormat::BGRAFloat:
    case HostPixelFormat::ARGBFloat: {
      const bool bgra = image.Format() == HostPixelFormat::BGRAFloat;
      float floats[4];
      for (int i = 0; i < 4; ++i) floats[bgra ? 3 - i : i] = static_cast<float>(c[i]);
      std::memcpy(at, floats, sizeof floats);
      break;
    }
  }
}

std::string Text(const HostImage& image, A_long x, A_long y) {
  const uint8_t* at =
      image.Row(y) + static_cast<std::size_t>(x) * simhost::PixelSize(image.Format());
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += ",";
    switch (image.Format()) {
      case HostPixelFormat::ARGB8:
        text += std::to_string(at[i]);
        break;
      case HostPixelFormat::BGRA8:
        text += std::to_string(at[3 - i]);
        break;
      case HostPixelFormat::ARGB16: {
        uint16_t word;
        std::memcpy(&word, at + 2 * i, sizeof word);
        text += std::to_string(word);
        break;
      }
      case HostPixelFormat::BGRAFloat:
      case HostPixelFormat::ARGBFloat: {
        const int slot = image.Format() == HostPixelFormat::BGRAFloat ? 3 - i : i;
        float value;
        std::memcpy(&value, at + 4 * slot, sizeof value);
        text += GoldenFloat(value);
        break;
      }
    }
  }
  return text;
}

// A source: pixel `index` of a numbered sequence, and the indices written out.
struct Source {
  const char* name;
  std::function<Pixel(uint64_t)> pixel;
  std::vector<uint64_t> samples;
};

constexpr uint64_t Triple(uint64_t red, uint64_t green, uint64_t blue) {
  return red << 16 | green << 8 | blue;
}

// Every 8-bit triple once, in 2^24 pixels; the alpha varies with them.
Source EveryTriple() {
  return {"every_8bit_triple",
          [](uint64_t index) {
            const uint64_t red = index >> 16 & 255;
            const uint64_t green = index >> 8 & 255;
            const uint64_t blue = index & 255;
            return Pixel{{static_cast<double>(red ^ green ^ blue), static_cast<double>(red),
                          static_cast<double>(green), static_cast<double>(blue)}};
          },
          {Triple(0, 0, 0), Triple(128, 128, 128), Triple(255, 255, 255), Triple(200, 60, 30),
           Triple(3, 250, 90)}};
}

// Random 8-bit pixels, after the 256 opaque greys.
Source Random8() {
  return {"random_8bit",
          [](uint64_t index) {
            if (index < 256) {
              const auto code = static_cast<double>(index);
              return Pixel{{255.0, code, code, code}};
            }
            const uint64_t bits = Mix(index);
            return Pixel{{static_cast<double>(bits & 255), static_cast<double>(bits >> 8 & 255),
                          static_cast<double>(bits >> 16 & 255),
                          static_cast<double>(bits >> 24 & 255)}};
          },
          {0, 128, 255, 256, 257, 258}};
}

// Every 16-bit grey code, full scale 32768 and beyond, opaque.
Source EveryGrey16() {
  return {"every_16bit_grey",
          [](uint64_t index) {
            const double code = static_cast<double>(index & 65535);
            return Pixel{{32768.0, code, code, code}};
          },
          {0, 1, 16384, 32767, 32768, 40000, 65535}};
}

// Random 16-bit pixels: most channels within full scale, one in eight anywhere.
Source Random16() {
  return {"random_16bit",
          [](uint64_t index) {
            const uint64_t bits = Mix(index);
            Pixel p;
            for (int i = 0; i < 4; ++i) {
              const uint64_t word = bits >> (16 * i) & 65535;
              const bool anywhere = (Mix(index ^ 0x5bd1e995ull) >> (8 * i) & 7) == 0;
              p.channels[i] = static_cast<double>(anywhere ? word : word % 32769);
            }
            return p;
          },
          {0, 1, 2, 3}};
}

// Floats of every exponent, both signs, zeros, denormals, infinities and NaNs,
// with a fine ramp over -0.25..1.25; first as greys, then mixed at random.
Source Floats() {
  auto values = std::make_shared<std::vector<float>>();
  const float specials[] = {0.5f,
                            1.0f,
                            0.0f,
                            -0.0f,
                            std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            -0.5f,
                            2.0f};
  values->assign(std::begin(specials), std::end(specials));
  for (uint32_t exponent = 0; exponent < 256; ++exponent) {
    for (uint32_t sign = 0; sign < 2; ++sign) {
      for (uint32_t mantissa : {0u, 1u, 0x400000u, 0x7fffffu, 0x2d5a3cu}) {
        const uint32_t bits = sign << 31 | exponent << 23 | mantissa;
        float value;
        std::memcpy(&value, &bits, sizeof value);
        values->push_back(value);
      }
    }
  }
  for (int step = -256; step <= 1280; ++step) values->push_back(static_cast<float>(step) / 1024.0f);
  return {"floats",
          [values](uint64_t index) {
            const std::vector<float>& v = *values;
            const uint64_t n = v.size();
            if (index < n) return Pixel{{1.0, v[index], v[index], v[index]}};
            const uint64_t bits = Mix(index);
            const double alpha = (bits & 1) != 0 ? v[(bits >> 4) % n] : 1.0;
            return Pixel{{alpha, v[(bits >> 16) % n], v[(bits >> 32) % n], v[(bits >> 48) % n]}};
          },
          {0, 1, 4, 5, 6, 7, 8, 20000}};
}

enum class Host { AfterEffects, PremierePro, AfterEffectsSmart };

const char* HostName(Host host) {
  switch (host) {
    case Host::AfterEffects:
      return "aftereffects";
    case Host::PremierePro:
      return "premiere";
    case Host::AfterEffectsSmart:
      return "aftereffects_smart";
  }
  return "?";
}

struct Group {
  Host host;
  HostPixelFormat format;
  const Source* source;
  A_long width, height;
  uint64_t pixels;  // rendered in as many frames as they take, the source repeating
  std::vector<int> controls;
};

// What one group has written of one set of controls so far.
struct Outcome {
  uint64_t hash = kFnv1aStart;
  PF_Err result = PF_Err_NONE;  // the first failure
  std::string samples;
};

// Each frame of the group is filled once and rendered with every set of
// controls in turn.
void WriteGroup(simhost::EntryPointFunction entry, std::ostream& out, const Group& group,
                const std::vector<Controls>& all_controls) {
  HostImage input(group.format, group.width, group.height);
  HostImage output(group.format, group.width, group.height);
  output.FillPattern(99);
  const uint64_t frame_pixels = static_cast<uint64_t>(group.width) * group.height;
  const std::size_t row_bytes =
      static_cast<std::size_t>(group.width) * simhost::PixelSize(group.format);
  std::vector<Outcome> outcomes(group.controls.size());
  for (uint64_t first = 0; first < group.pixels; first += frame_pixels) {
    for (A_long y = 0; y < group.height; ++y) {
      for (A_long x = 0; x < group.width; ++x)
        Store(input, x, y, group.source->pixel(first + static_cast<uint64_t>(y) * group.width + x));
    }
    for (std::size_t c = 0; c < group.controls.size(); ++c) {
      Outcome& outcome = outcomes[c];
      SimulatedHost host(
          group.host == Host::PremierePro ? HostMode::PremierePro : HostMode::AfterEffects, entry);
      host.SetThreadCount(kThreads);
      const simhost::EffectSettings settings = HostSettings(all_controls[group.controls[c]]);
      PF_Err err;
      if (group.host == Host::AfterEffectsSmart) {
        simhost::SmartFrame frame;
        frame.input.image = &input;
        frame.output.image = &output;
        err = host.SmartRender(settings, frame);
      } else {
        err = host.Render(settings, input, output);
      }
      if (outcome.result == PF_Err_NONE) outcome.result = err;
      for (A_long y = 0; y < group.height; ++y)
        outcome.hash = FoldedFnv1aWords(output.Row(y), row_bytes, outcome.hash);
      for (uint64_t sample : group.source->samples) {
        if (sample < first || sample - first >= frame_pixels) continue;
        const auto x = static_cast<A_long>((sample - first) % group.width);
        const auto y = static_cast<A_long>((sample - first) / group.width);
        outcome.samples +=
            " " + std::to_string(sample) + ":" + Text(input, x, y) + ">" + Text(output, x, y);
      }
    }
  }
  const uint64_t frames = (group.pixels + frame_pixels - 1) / frame_pixels;
  for (std::size_t c = 0; c < group.controls.size(); ++c) {
    const Outcome& outcome = outcomes[c];
    out << HostName(group.host) << " " << FormatName(group.format) << " " << group.source->name
        << " " << group.width << "x" << group.height << "x" << frames << " "
        << all_controls[group.controls[c]].name << " rc=" << outcome.result
        << " out=" << GoldenHex(outcome.hash) << "\n " << outcome.samples << "\n";
  }
}

}  // namespace

void WriteFrameGoldens(simhost::EntryPointFunction entry, std::ostream& out) {
  const std::vector<Controls> controls = ControlsList();
  const Source triples = EveryTriple();
  const Source random8 = Random8();
  const Source greys = EveryGrey16();
  const Source random16 = Random16();
  const Source floats = Floats();
  constexpr uint64_t kAllTriples = uint64_t{1} << 24;
  const std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  using F = HostPixelFormat;
  const Host ae = Host::AfterEffects;
  const Host pr = Host::PremierePro;
  const Host smart = Host::AfterEffectsSmart;
  const Group groups[] = {
      // 8-bit: frames below any table, frames with the table by channel pair
      // alone, and every triple in one frame with the table of output codes.
      {ae, F::ARGB8, &random8, 128, 256, 1 << 20, all},
      {ae, F::ARGB8, &random8, 1024, 512, 1 << 20, {1, 2, 3, 4, 7}},
      {ae, F::ARGB8, &triples, 4096, 4096, kAllTriples, {1, 2, 3, 4, 6, 7}},
      {pr, F::BGRA8, &random8, 128, 256, 1 << 20, {1, 2, 3, 4, 5}},
      {pr, F::BGRA8, &random8, 1024, 512, 1 << 20, {2, 3}},
      {pr, F::BGRA8, &triples, 4096, 4096, kAllTriples, {1, 4}},
      // 16-bit: below the table by code sum, and with it.
      {ae, F::ARGB16, &greys, 256, 256, 65536, all},
      {ae, F::ARGB16, &greys, 1024, 1024, 1 << 20, all},
      {ae, F::ARGB16, &random16, 256, 256, 1 << 18, all},
      {ae, F::ARGB16, &random16, 1024, 1024, 1 << 20, all},
      // Floats, and the smart render's integer frames.
      {pr, F::BGRAFloat, &floats, 512, 64, 1 << 15, all},
      {smart, F::ARGBFloat, &floats, 512, 64, 1 << 15, all},
      {smart, F::ARGB8, &random8, 1024, 512, 1 << 19, {1, 4}},
      {smart, F::ARGB16, &random16, 1024, 1024, 1 << 20, {2, 3}},
      {smart, F::ARGB16, &greys, 256, 256, 65536, {1}},
  };
  for (const Group& group : groups) WriteGroup(entry, out, group, controls);
}
