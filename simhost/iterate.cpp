#include "simhost/iterate.h"

#include <system_error>
#include <thread>
#include <vector>

namespace simhost {
namespace {

template <typename Pixel>
Pixel* PixelAt(const PF_EffectWorld* world, A_long x, A_long y) {
  auto* row = reinterpret_cast<std::uint8_t*>(world->data) +
              static_cast<std::ptrdiff_t>(y) * world->rowbytes;
  return reinterpret_cast<Pixel*>(row) + x;
}

// First row of band b of `count` equal bands over `rows` rows from `top`.
A_long BandEdge(A_long top, A_long rows, A_long b, A_long count) {
  return top + static_cast<A_long>(static_cast<std::int64_t>(rows) * b / count);
}

struct Band {
  A_long top;
  A_long bottom;
  PF_Err first_error = 0;
  std::int64_t visited = 0;
};

// The first failure in band order and every band's count.
IterateOutcome Combined(const std::vector<Band>& bands) {
  IterateOutcome outcome{0, 0};
  for (const Band& band : bands) {
    if (outcome.result == 0) outcome.result = band.first_error;
    outcome.pixels_visited += band.visited;
  }
  return outcome;
}

// Runs `work` on a thread of its own, or here where no thread can be had (a
// process limit): a band is never lost, and no started thread is left unjoined.
template <typename Work>
void StartOrRunHere(std::vector<std::thread>* workers, Work work) {
  try {
    workers->emplace_back(work);
  } catch (const std::system_error&) {
    work();
  }
}

}  // namespace

template <typename Pixel>
IterateOutcome IterateArea(int threads, const PF_EffectWorld* src, const PF_LRect& area,
                           void* refcon, PF_Err (*pixel_fn)(void*, A_long, A_long, Pixel*, Pixel*),
                           PF_EffectWorld* dst) {
  const A_long rows = area.bottom - area.top;
  if (rows <= 0 || area.right <= area.left) return {0, 0};
  const A_long band_count = threads < 1 ? 1 : (threads > rows ? rows : threads);

  std::vector<Band> bands(static_cast<std::size_t>(band_count));
  for (A_long b = 0; b < band_count; ++b) {
    bands[static_cast<std::size_t>(b)].top = BandEdge(area.top, rows, b, band_count);
    bands[static_cast<std::size_t>(b)].bottom = BandEdge(area.top, rows, b + 1, band_count);
  }

  // Everything the pixel loop reads is held in locals and each row's start is
  // found once, as a host's own loop does: the pixel function is an opaque
  // call, after which the compiler would otherwise reload every captured value
  // and recompute both addresses for each pixel.
  auto run_band = [&, src, dst, refcon, pixel_fn](Band& band) {
    const A_long left = area.left;
    const A_long right = area.right;
    PF_Err first_error = 0;
    for (A_long y = band.top; y < band.bottom; ++y) {
      Pixel* in = src != nullptr ? PixelAt<Pixel>(src, left, y) : nullptr;
      Pixel* out = PixelAt<Pixel>(dst, left, y);
      for (A_long x = left; x < right; ++x) {
        const PF_Err err = pixel_fn(refcon, x, y, in, out);
        if (err != 0 && first_error == 0) first_error = err;
        if (in != nullptr) ++in;
        ++out;
      }
    }
    band.first_error = first_error;
    band.visited = static_cast<std::int64_t>(band.bottom - band.top) * (right - left);
  };

  // The calling thread takes the first band, as a host's own render thread
  // joins its workers.
  std::vector<std::thread> workers;
  workers.reserve(bands.size() - 1);
  for (std::size_t b = 1; b < bands.size(); ++b) {
    StartOrRunHere(&workers, [&run_band, &band = bands[b]] { run_band(band); });
  }
  run_band(bands[0]);
  for (std::thread& worker : workers) worker.join();

  return Combined(bands);
}

IterateOutcome IterateIndices(int threads, A_long iterations, void* refcon,
                              PF_IterateGenericFunc fn) {
  if (iterations <= 0) return {0, 0};
  const A_long run_count = threads < 1 ? 1 : (threads > iterations ? iterations : threads);
  std::vector<Band> runs(static_cast<std::size_t>(run_count));
  auto run = [iterations, refcon, fn, &runs](A_long thread) {
    Band& band = runs[static_cast<std::size_t>(thread)];
    for (A_long i = band.top; i < band.bottom; ++i) {
      const PF_Err err = fn(refcon, thread, i, iterations);
      if (err != 0 && band.first_error == 0) band.first_error = err;
    }
    band.visited = band.bottom - band.top;
  };
  std::vector<std::thread> workers;
  for (A_long r = 0; r < run_count; ++r) {
    runs[static_cast<std::size_t>(r)].top = BandEdge(0, iterations, r, run_count);
    runs[static_cast<std::size_t>(r)].bottom = BandEdge(0, iterations, r + 1, run_count);
  }
  for (A_long r = 1; r < run_count; ++r) StartOrRunHere(&workers, [&run, r] { run(r); });
  run(0);
  for (std::thread& worker : workers) worker.join();
  return Combined(runs);
}

template IterateOutcome IterateArea<PF_Pixel>(int, const PF_EffectWorld*, const PF_LRect&, void*,
                                              PF_IteratePixel8Func, PF_EffectWorld*);
template IterateOutcome IterateArea<PF_Pixel16>(int, const PF_EffectWorld*, const PF_LRect&, void*,
                                                PF_IteratePixel16Func, PF_EffectWorld*);
template IterateOutcome IterateArea<PF_PixelFloat>(int, const PF_EffectWorld*, const PF_LRect&,
                                                   void*, PF_IteratePixelFloatFunc,
                                                   PF_EffectWorld*);

}  // namespace simhost
