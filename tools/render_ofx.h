// Image files through the image-effect bundle, driven as a host drives it:
// is-identity, then a render in tiles on several threads. Every depth goes in
// as the file holds it (16-bit white stays 65535), RGBA for files with alpha,
// RGB for those without; the file's top row is the image's top row.
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
