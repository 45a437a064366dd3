#include "bench/bench_cases.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "simhost/integer_hash.h"

namespace velmora_bench {
namespace {

// Hue h in [0, 6), lightness l and saturation s in [0, 1] to red, green, blue.
void HslToRgb(double h, double l, double s, double rgb[3]) {
  const double chroma = (1.0 - std::fabs(2.0 * l - 1.0)) * s;
  const double second = chroma * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
  const int sector = static_cast<int>(h) % 6;
  const double table[6][3] = {{chroma, second, 0}, {second, chroma, 0}, {0, chroma, second},
                              {0, second, chroma}, {second, 0, chroma}, {chroma, 0, second}};
  const double floor_level = l - chroma / 2.0;
  for (int c = 0; c < 3; ++c) rgb[c] = table[sector][c] + floor_level;
}

simhost::EffectSettings WithContrast() {
  simhost::EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 50.0;
  return settings;
}

}  // namespace

std::vector<PathCase> Paths() {
  using simhost::HostMode;
  using simhost::HostPixelFormat;
  return {
      {"ae8-t1", HostMode::AfterEffects, HostPixelFormat::ARGB8, 1},
      {"ae8-t2", HostMode::AfterEffects, HostPixelFormat::ARGB8, 2},
      {"ae16-t1", HostMode::AfterEffects, HostPixelFormat::ARGB16, 1},
      {"ae16-t2", HostMode::AfterEffects, HostPixelFormat::ARGB16, 2},
      {"aes8-t1", HostMode::AfterEffects, HostPixelFormat::ARGB8, 1, true},
      {"aes16-t1", HostMode::AfterEffects, HostPixelFormat::ARGB16, 1, true},
      {"aesf-t1", HostMode::AfterEffects, HostPixelFormat::ARGBFloat, 1, true},
      {"aesf-t2", HostMode::AfterEffects, HostPixelFormat::ARGBFloat, 2, true},
      {"pr8-t1", HostMode::PremierePro, HostPixelFormat::BGRA8, 1},
      {"prf-t1", HostMode::PremierePro, HostPixelFormat::BGRAFloat, 1},
  };
}

PF_Err RenderPath(simhost::SimulatedHost& host, const PathCase& path,
                  const simhost::EffectSettings& settings, simhost::HostImage& input,
                  simhost::HostImage& output) {
  if (!path.smart) return host.Render(settings, input, output);
  simhost::SmartFrame frame;
  frame.input.image = &input;
  frame.output.image = &output;
  return host.SmartRender(settings, frame);
}

std::vector<SettingCase> Settings() {
  SettingCase contrast{"contrast", WithContrast()};
  SettingCase gamma{"gamma2.2", WithContrast()};
  gamma.settings.Slider(PARAM_GAMMA) = 2.2;
  SettingCase blend{"blend-clamps", WithContrast()};
  blend.settings.Fixed(PARAM_BLEND) = 50 * 65536;
  blend.settings.Checkbox(PARAM_CLAMP_WHITE) = 1;
  blend.settings.Checkbox(PARAM_CLAMP_BLACK) = 1;
  // The same as a project saved before Preserve HDR existed opens them.
  std::vector<SettingCase> cases = {contrast, gamma, blend};
  for (std::size_t i = 0; i < 3; ++i) {
    SettingCase old = cases[i];
    old.name += "-hdr-off";
    old.settings.Checkbox(PARAM_PRESERVE_HDR) = 0;
    cases.push_back(old);
  }
  return cases;
}

const PathCase* FindPath(const std::string& name) {
  static const std::vector<PathCase> paths = Paths();
  for (const PathCase& path : paths) {
    if (path.name == name) return &path;
  }
  return nullptr;
}

const SettingCase* FindSetting(const std::string& name) {
  static const std::vector<SettingCase> settings = Settings();
  for (const SettingCase& setting : settings) {
    if (setting.name == name) return &setting;
  }
  return nullptr;
}

void FillSynthetic(simhost::HostImage& image) {
  const A_long width = image.Width();
  const A_long height = image.Height();
  for (A_long y = 0; y < height; ++y) {
    for (A_long x = 0; x < width; ++x) {
      const uint32_t noise =
          simhost::IntegerHash(static_cast<uint32_t>(y) * 65599u + static_cast<uint32_t>(x));
      const double hue = 6.0 * static_cast<double>(x) / static_cast<double>(width);
      const double lightness =
          static_cast<double>(y) / static_cast<double>(height - 1 > 0 ? height - 1 : 1);
      const double saturation = static_cast<double>(noise & 0xffu) / 255.0;
      double rgb[3];
      HslToRgb(hue, lightness, saturation, rgb);
      for (double& c : rgb) c += (static_cast<double>((noise >> 8) & 0x3fu) - 32.0) / 2048.0;
      const bool out_of_range = ((noise >> 14) & 7u) == 0;
      const double alpha = static_cast<double>((noise >> 17) & 0xffu) / 255.0;
      switch (image.Format()) {
        case simhost::HostPixelFormat::ARGB8: {
          auto& p = image.At<PF_Pixel8>(x, y);
          auto to8 = [](double v) {
            return static_cast<A_u_char>(v <= 0.0 ? 0 : v >= 1.0 ? 255 : v * 255.0 + 0.5);
          };
          p = {to8(alpha), to8(rgb[0]), to8(rgb[1]), to8(rgb[2])};
          break;
        }
        case simhost::HostPixelFormat::BGRA8: {
          auto* p = &image.At<PF_Pixel8>(x, y).alpha;
          auto to8 = [](double v) {
            return static_cast<A_u_char>(v <= 0.0 ? 0 : v >= 1.0 ? 255 : v * 255.0 + 0.5);
          };
          p[0] = to8(rgb[2]);
          p[1] = to8(rgb[1]);
          p[2] = to8(rgb[0]);
          p[3] = to8(alpha);
          break;
        }
        case simhost::HostPixelFormat::ARGB16: {
          auto to16 = [](double v) {
            return static_cast<A_u_short>(v <= 0.0 ? 0 : v >= 1.0 ? 32768 : v * 32768.0 + 0.5);
          };
          image.At<PF_Pixel16>(x, y) = {to16(alpha), to16(rgb[0]), to16(rgb[1]), to16(rgb[2])};
          break;
        }
        case simhost::HostPixelFormat::BGRAFloat:
        case simhost::HostPixelFormat::ARGBFloat: {
          const double stretch = out_of_range ? 1.75 : 1.0;
          const double shift = out_of_range ? -0.25 : 0.0;
          const auto red = static_cast<float>(rgb[0] * stretch + shift);
          const auto green = static_cast<float>(rgb[1] * stretch + shift);
          const auto blue = static_cast<float>(rgb[2] * stretch + shift);
          const auto opacity = static_cast<float>(alpha);
          float* p = reinterpret_cast<float*>(&image.At<PF_PixelFloat>(x, y));
          const bool bgra = image.Format() == simhost::HostPixelFormat::BGRAFloat;
          p[0] = bgra ? blue : opacity;
          p[1] = bgra ? green : red;
          p[2] = bgra ? red : green;
          p[3] = bgra ? opacity : blue;
          break;
        }
      }
    }
  }
}

}  // namespace velmora_bench
