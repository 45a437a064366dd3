// The host's per-pixel iteration: the pixel function runs for every pixel of an
// area, with the rows split into contiguous bands over a pool of worker threads.
#pragma once

#include <cstdint>

#include "host_sdk/host_records.h"

namespace simhost {

struct IterateOutcome {
  PF_Err result;  // the first non-zero pixel-function code in row-major order, else 0
  std::int64_t pixels_visited;
};

// Calls `pixel_fn(refcon, x, y, &src[x, y], &dst[x, y])` once for every pixel of
// `area` (which lies within `dst`; `src` may be null, then the input pointer is
// null). Every pixel is visited even after a pixel function has failed, so the
// output and the returned code are the same for any thread count.
template <typename Pixel>
IterateOutcome IterateArea(int threads, const PF_EffectWorld* src, const PF_LRect& area,
                           void* refcon, PF_Err (*pixel_fn)(void*, A_long, A_long, Pixel*, Pixel*),
                           PF_EffectWorld* dst);

extern template IterateOutcome IterateArea<PF_Pixel>(int, const PF_EffectWorld*, const PF_LRect&,
                                                     void*, PF_IteratePixel8Func, PF_EffectWorld*);
extern template IterateOutcome IterateArea<PF_Pixel16>(int, const PF_EffectWorld*, const PF_LRect&,
                                                       void*, PF_IteratePixel16Func,
                                                       PF_EffectWorld*);
extern template IterateOutcome IterateArea<PF_PixelFloat>(int, const PF_EffectWorld*,
                                                          const PF_LRect&, void*,
                                                          PF_IteratePixelFloatFunc,
                                                          PF_EffectWorld*);

// Calls `fn(refcon, thread, i, iterations)` once for every i in [0, iterations),
// the indices split into contiguous runs, one per thread, thread 0 on the
// calling thread. `pixels_visited` counts the calls; `result` is the code of
// the first failed index.
IterateOutcome IterateIndices(int threads, A_long iterations, void* refcon,
                              PF_IterateGenericFunc fn);

}  // namespace simhost
