// Image files through the effect: on the module's simulated hosts by a path
// chosen from the file's sample depth, or through the image-effect bundle as a
// host drives it (is-identity, then a render in tiles on several threads).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "ofx_sdk/ofx_types.h"
#include "simhost/host.h"
#include "simofx/ofx_host.h"
#include "tools/image_io.h"

enum class HostChoice {
  Automatic,     // After Effects, float files through the smart render as a modern project
  AfterEffects,  // every depth; float files through the smart render
  PremierePro,   // 8-bit (BGRA) and float files only
  OpenFx,        // every depth, through the image-effect bundle (OfxBundle)
};

struct RenderPath {
  simhost::HostMode mode;
  simhost::HostPixelFormat format;
  SampleDepth depth;
  // Through the image-effect bundle instead of the module: `format` then
  // names only the depth (ARGB8, ARGB16 or ARGBFloat).
  bool openfx = false;
};

// Throws BadInput naming the file when the host has no path for its depth.
RenderPath ChooseRenderPath(SampleDepth depth, HostChoice host, const std::string& file);

const char* PathName(const RenderPath& path);

// Between a file's 16-bit codes and the module's 16-bit host, whose white is 32768: each
// to the nearest code, so that black and white survive exactly and a neutral render
// returns every file value within one code (docs/tool.md, "The 16-bit scale").
uint16_t FileToHost16(uint16_t file_value);
uint16_t HostToFile16(uint16_t host_value);

// `task(i)` for every i below `count` at once, the first on this thread; the first non-zero
// answer in that order, once every task is done. A task whose thread cannot be started (a
// process limit) runs on this thread instead.
int RunAtOnce(int count, const std::function<int(int)>& task);

// Makes a further host in the render's mode, set up to render.
using HostMaker = std::function<std::unique_ptr<simhost::SimulatedHost>()>;

// Renders the colour channels and alpha of `image` in place (it must have colour); every
// other channel is left as it was. An image without alpha is rendered opaque. Returns
// the module's error code; on a non-zero code the image is unchanged. Throws BadInput
// when the image holds samples of another depth than the path's. Given `more_hosts`,
// a Premiere Pro float image is rendered in `host.ThreadCount()` bands of rows at
// once, each other band on a host `more_hosts` makes.
PF_Err RenderImage(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                   const RenderPath& path, Image* image, const HostMaker& more_hosts = {});

// Renders every subimage and level of `file` that has colour channels; the others are left
// as they were. Returns the first non-zero error code of the module.
PF_Err RenderImageFile(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                       const RenderPath& path, ImageFile* file, const HostMaker& more_hosts = {});

// "1000 (kOfxStatErrImageFormat)".
std::string OfxStatusText(OfxStatus status);

// Renders files as a host of the bundle does: every depth as the file holds it (16-bit
// white stays 65535), RGBA for files with alpha, RGB for those without.
class OfxBundle {
 public:
  // `path` is a bundle folder (its binary for this platform is used) or the
  // binary itself. Throws BadInput when there is no such binary or it cannot
  // be loaded as an image-effect plug-in, Failure when the plug-in refuses to
  // describe itself or to create an instance. Renders in up to `threads`
  // tiles at once.
  OfxBundle(const std::string& path, int threads);

  // As RenderImageFile, through the one instance, one file at a time (safe
  // from several threads); returns the first status other than kOfxStatOK.
  // Throws Failure when the bundle's parameters are not the settings' table's.
  OfxStatus RenderFile(const simhost::EffectSettings& settings, const RenderPath& path,
                       ImageFile* file);

 private:
  OfxStatus RenderImage(const RenderPath& path, Image* image);

  std::mutex mutex_;
  simofx::OfxHostSim host_;
  int threads_;
};
