// The short names the test reports give the simulated host's pixel formats.
#pragma once

#include "simhost/world.h"

inline const char* FormatName(simhost::HostPixelFormat format) {
  switch (format) {
    case simhost::HostPixelFormat::ARGB8:
      return "argb8";
    case simhost::HostPixelFormat::ARGB16:
      return "argb16";
    case simhost::HostPixelFormat::BGRA8:
      return "bgra8";
    case simhost::HostPixelFormat::BGRAFloat:
      return "bgra32f";
    case simhost::HostPixelFormat::ARGBFloat:
      return "argb32f";
  }
  return "?";
}
