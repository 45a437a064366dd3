// The settings as text: a value read from what the user typed, and written
// back in the form that reads to the same value.
#include <OpenImageIO/strutil.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/param_values.h"
#include "tools/settings.h"
#include "tools/tool_error.h"

namespace {

std::string FirstWord(const std::string& label) {
  const std::size_t start = label.find_first_not_of(' ');
  if (start == std::string::npos) return "";
  return OIIO::Strutil::lower(label.substr(start, label.find(' ', start) - start));
}

std::string FormatNumber(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// Ranges are registered as floats; shown as the float they are, not its double widening.
std::string FormatLimit(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, static_cast<float>(value));
  return std::string(text, result.ptr);
}

// The host keeps slider ranges in single precision, so a typed value is in range
// when it is at that precision ("0.001" for a minimum of 0.001f); it is then
// held to the range as the host holds its sliders.
bool WithinRange(double value, const RegisteredParam& param, double* held) {
  const float narrowed = static_cast<float>(value);
  if (!(static_cast<double>(narrowed) >= param.valid_min &&
        static_cast<double>(narrowed) <= param.valid_max)) {
    return false;
  }
  *held = std::clamp(value, param.valid_min, param.valid_max);
  return true;
}

bool ParseDouble(const std::string& text, double* value) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && errno != ERANGE;
}

ToolError OutOfRange(const RegisteredParam& param, const std::string& text) {
  double number = 0.0;
  const bool slider = param.kind == ParamKind::FloatSlider || param.kind == ParamKind::FixedSlider;
  const char* reason = slider && !ParseDouble(text, &number) ? "not a number" : "not allowed";
  return BadInput("--" + param.flag + " " + Shortened(text) + ": " + reason + "; " + param.name +
                  " takes " + AllowedText(param));
}

bool ParseByte(const std::string& text, int base, uint8_t* value) {
  if (text.empty() || !std::isxdigit(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, base);
  if (end != text.c_str() + text.size() || number < 0 || number > 255) return false;
  *value = static_cast<uint8_t>(number);
  return true;
}

bool ParseColour(const std::string& text, PF_Pixel* colour) {
  std::array<uint8_t, 3> bytes{};
  if (text.size() == 7 && text[0] == '#') {
    for (std::size_t i = 0; i < 3; ++i) {
      if (!ParseByte(text.substr(1 + 2 * i, 2), 16, &bytes[i])) return false;
    }
  } else {
    std::size_t start = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      const std::size_t comma = text.find(',', start);
      if ((i < 2) == (comma == std::string::npos)) return false;
      if (!ParseByte(text.substr(start, comma - start), 10, &bytes[i])) return false;
      start = comma + 1;
    }
  }
  colour->alpha = 255;
  colour->red = bytes[0];
  colour->green = bytes[1];
  colour->blue = bytes[2];
  return true;
}

bool ParseSwitch(const std::string& text, bool* on) {
  const std::string word = OIIO::Strutil::lower(text);
  if (word == "on" || word == "true" || word == "yes" || word == "1") {
    *on = true;
    return true;
  }
  if (word == "off" || word == "false" || word == "no" || word == "0") {
    *on = false;
    return true;
  }
  return false;
}

}  // namespace

void ApplySetting(const RegisteredParam& param, const std::string& text,
                  simhost::EffectSettings* settings) {
  double number = 0.0;
  switch (param.kind) {
    case ParamKind::Popup: {
      for (std::size_t i = 0; i < param.choices.size(); ++i) {
        if (!param.choices[i].empty() &&
            OIIO::Strutil::lower(text) == FirstWord(param.choices[i])) {
          settings->Choice(param.index) = static_cast<PF_ParamValue>(i + 1);
          return;
        }
      }
      if (!ParseDouble(text, &number) || number != std::floor(number) ||
          !(number >= param.valid_min && number <= param.valid_max)) {
        throw OutOfRange(param, text);
      }
      settings->Choice(param.index) = static_cast<PF_ParamValue>(number);
      return;
    }
    case ParamKind::FloatSlider:
      if (!ParseDouble(text, &number) || !WithinRange(number, param, &number)) {
        throw OutOfRange(param, text);
      }
      settings->Slider(param.index) = number;
      return;
    case ParamKind::FixedSlider:
      if (!ParseDouble(text, &number) ||
          !(number >= param.valid_min && number <= param.valid_max)) {
        throw OutOfRange(param, text);
      }
      // The host keeps the slider in 16.16 fixed point; the nearest step is what it would store.
      settings->Fixed(param.index) = static_cast<PF_Fixed>(std::lround(number * kFixedOne));
      return;
    case ParamKind::Colour:
      if (!ParseColour(text, &settings->Colour(param.index))) throw OutOfRange(param, text);
      return;
    case ParamKind::Checkbox: {
      bool on = false;
      if (!ParseSwitch(text, &on)) throw OutOfRange(param, text);
      settings->Checkbox(param.index) = on ? 1 : 0;
      return;
    }
  }
}

std::string SettingText(const RegisteredParam& param, const simhost::EffectSettings& settings) {
  switch (param.kind) {
    case ParamKind::Popup:
      return std::to_string(settings.Choice(param.index));
    case ParamKind::FloatSlider:
      return FormatNumber(settings.Slider(param.index));
    case ParamKind::FixedSlider:
      return FormatNumber(NumberOfFixed(settings.Fixed(param.index)));
    case ParamKind::Colour:
      return ColourText(settings.Colour(param.index));
    case ParamKind::Checkbox:
      return settings.Checkbox(param.index) != 0 ? "on" : "off";
  }
  return "";
}

std::string AllowedText(const RegisteredParam& param) {
  switch (param.kind) {
    case ParamKind::Popup: {
      std::string words;
      for (const std::string& choice : param.choices) {
        words += (words.empty() ? "" : ", ") + FirstWord(choice);
      }
      return FormatNumber(param.valid_min) + " to " + FormatNumber(param.valid_max) + " (" + words +
             ")";
    }
    case ParamKind::FloatSlider:
      return FormatLimit(param.valid_min) + " to " + FormatLimit(param.valid_max) +
             (param.percent ? " (percent)" : "");
    case ParamKind::FixedSlider:
      return FormatNumber(param.valid_min) + " to " + FormatNumber(param.valid_max) +
             (param.percent ? " (percent)" : "");
    case ParamKind::Colour:
      return "R,G,B bytes 0..255 or #RRGGBB";
    case ParamKind::Checkbox:
      return "on or off";
  }
  return "";
}

std::string ColourText(const PF_Pixel& colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
  return text;
}
