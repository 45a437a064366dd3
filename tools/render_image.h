// Runs one image file's pixels through the effect on a simulated host, choosing
// the host path by the file's sample depth.
//
// 16-bit files: the host's 16-bit channels have white at 32768, not 65535. A file
// value v goes in as round(v * 32768 / 65535) and a host value h comes back as
// round(h * 65535 / 32768), both to the nearest integer; the way in never meets
// a tie, and the one tie on the way out (h = 16384, 32767.5) rounds up. So black
// and white survive exactly, and a neutral render returns every file value
// within one code.
#pragma once

#include <OpenImageIO/imageio.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "simhost/host.h"
#include "tools/image_io.h"

enum class HostChoice {
  Automatic,     // After Effects, float files through the smart render as a modern project
  AfterEffects,  // every depth; float files through the smart render
  PremierePro,   // 8-bit (BGRA) and float files only
  OpenFx,        // every depth, through the image-effect bundle (tools/render_ofx.h)
};

struct RenderPath {
  simhost::HostMode mode;
  simhost::HostPixelFormat format;
  // Through the image-effect bundle instead of the module: `format` then
  // names only the depth (ARGB8, ARGB16 or ARGBFloat).
  bool openfx = false;
};

// Throws BadInput naming the file when the host has no path for its depth.
RenderPath ChooseRenderPath(SampleDepth depth, HostChoice host, const std::string& file);

const char* PathName(const RenderPath& path);

// The path was chosen from the file's header before the run: throws BadInput
// when the image read since holds samples of another depth.
SampleDepth CheckSamplesFor(const RenderPath& path, const Image& image);

uint16_t FileToHost16(uint16_t file_value);
uint16_t HostToFile16(uint16_t host_value);

// Where a host image holds the colour and alpha of file rows: column 0 of the
// first of them, the steps to the next pixel and to the next file row, and
// the sample index in a pixel of red, green, blue and alpha (-1: none).
struct HostPixels {
  unsigned char* first_row;
  OIIO::stride_t pixel_bytes;
  OIIO::stride_t row_bytes;
  int channel[4];
};

// File rows [first, last) of the image's colour and alpha to the host's pixels
// or back; every other channel, and a channel either side lacks, is left alone.
void ExchangeSamples(Image* image, int first, int last, const HostPixels& host, bool to_host);

// Rows [0, rows) as `bands` bands at once, each `render(band, first, last)`;
// the first non-zero answer in band order, once every band is done.
int RenderInBands(int bands, int rows, const std::function<int(int, int, int)>& render);

// Makes a further host in the render's mode, set up to render.
using HostMaker = std::function<std::unique_ptr<simhost::SimulatedHost>()>;

// Renders the colour channels and alpha of `image` in place (it must have colour); every
// other channel is left as it was. An image without alpha is rendered opaque. Returns
// the module's error code; on a non-zero code the image is unchanged. Given
// `more_hosts`, a Premiere Pro float image is rendered in `host.ThreadCount()`
// bands of rows at once, each other band on a host `more_hosts` makes.
PF_Err RenderImage(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                   const RenderPath& path, Image* image, const HostMaker& more_hosts = {});

// Renders every subimage and level of `file` that has colour channels; the others are left
// as they were. Returns the first non-zero error code of the module.
PF_Err RenderImageFile(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                       const RenderPath& path, ImageFile* file, const HostMaker& more_hosts = {});

// `render` on every subimage and level of `file` that has colour channels, in
// turn until one answers other than 0; that answer, or 0.
int RenderPictures(ImageFile* file, const std::function<int(Image*)>& render);
