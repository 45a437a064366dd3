// Image files through the image-effect bundle: the bundle's binary loaded by
// the simulated image-effect host, described, instantiated and driven as a
// host drives it (is-identity, then a render of tiles on several threads).
//
// The interface takes every depth of the files as it is: 8-bit, 16-bit with
// white at 65535 (no rescaling, unlike After Effects' 32768) and float; RGBA
// for files with alpha, RGB for those without. The file's top row is the
// image's top row (rows bottom-up in the interface's coordinates, so the
// buffer's row bytes are negative, as a top-down host's are).
#pragma once

#include <mutex>
#include <string>

#include "ofx_sdk/ofx_types.h"
#include "simhost/effect_settings.h"
#include "simofx/ofx_host.h"
#include "tools/image_io.h"
#include "tools/render_image.h"

// The bundle of this build, unless --bundle names another.
std::string DefaultBundlePath();

// The path a file of `depth` takes through the bundle.
RenderPath OfxRenderPath(SampleDepth depth);
const char* OfxPathName(const RenderPath& path);

// "1000 (kOfxStatErrImageFormat)".
std::string OfxStatusText(OfxStatus status);

class OfxBundle {
 public:
  // `path` is a bundle folder (its binary for this platform is used) or the
  // binary itself. Throws BadInput when there is no such binary or it cannot
  // be loaded as an image-effect plug-in, Failure when the plug-in refuses to
  // describe itself or to create an instance. Renders in up to `threads`
  // tiles at once.
  OfxBundle(const std::string& path, int threads);

  // Renders the colour channels and alpha of every subimage and level of
  // `file` that has colour, at the depth of `path`; every other channel is
  // left as it was. Returns the first status other than kOfxStatOK (the
  // image it failed on is unchanged); throws Failure when the bundle's
  // parameters are not the settings' table's. Safe to call from several
  // threads: the one instance renders one file at a time, each in tiles on
  // several threads.
  OfxStatus RenderFile(const simhost::EffectSettings& settings, const RenderPath& path,
                       ImageFile* file);

 private:
  OfxStatus RenderImage(const RenderPath& path, Image* image);

  std::mutex mutex_;
  simofx::OfxHostSim host_;
  int threads_;
};
