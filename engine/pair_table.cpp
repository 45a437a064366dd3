#include "engine/pair_table.h"

#include <cmath>
#include <new>

#include "engine/pixel_lanes.h"
#include "engine/tone_curve.h"

namespace {

// Filling a pair costs about 80 instructions with a neutral pre-transform and
// about 5 pixels' worth with a power; a table saves about 16 a pixel against
// the short route in the first case and about 150 in the second. Below these
// sizes a frame spends more on the table than the table saves.
constexpr int64_t kPixelsWorthATable = int64_t{1} << 18;
constexpr int64_t kPixelsWorthATablePreTransformed = int64_t{1} << 16;

// A bound on |ratio| + |level| far below where a moved channel, at most that
// (an offset lies in [-1, 1]), could leave the range the stores truncate.
constexpr double kLargestMagnitude = 1048576.0;

// Steps 3 and 5 to 7 of the general route for one pair, in its operations.
// Where the offsets become 0 the general route adds ratio * 0 to the level,
// which is the level for every finite ratio up to the sign of a zero; the
// table keeps a ratio of 0 there instead, so that ratio * offset is a zero
// as well: a zero of either sign is code 0 in every integer store, also after
// a blend, which adds (1 - mix) * X >= +0 to it. Returns false for a pair
// whose values are not finite or too large for the table's stores.
bool FillPair(const ToneCurve& curve, uint32_t smallest, uint32_t largest, PairLevel* pair) {
  const double* unit = kWideUnitOf8BitCodes.values;
  const double lightness = (unit[smallest] + unit[largest]) * 0.5;
  const double level = EvaluateCurve(lightness, curve);
  const double ratio = lightness != 0.0 ? level / lightness : 0.0;
  if (!(std::fabs(ratio) + std::fabs(level) < kLargestMagnitude)) return false;  // NaN too
  const bool offsets_stay = !(level <= 0.0 || level >= 1.0);
  const double kept_ratio = offsets_stay ? ratio : 0.0;
  *pair = {{lightness, lightness}, {kept_ratio, kept_ratio}, {level, level}};
  return true;
}

}  // namespace

std::unique_ptr<PairTable> AttachPairTable(PixelFrame* frame, int64_t pixels) {
  const ToneCurve& curve = frame->curve;
  // A mix outside [0, 1] could move a blended channel beyond the stores' range.
  const bool mix_in_range = curve.mix >= 0.0f && curve.mix <= 1.0f;
  const int64_t worth =
      IsNeutralPreTransform(curve) ? kPixelsWorthATable : kPixelsWorthATablePreTransformed;
  if (pixels < worth || !mix_in_range) return nullptr;
  std::unique_ptr<PairTable> table(new (std::nothrow) PairTable);
  if (table == nullptr) return nullptr;
  PairLevel* pair = table->pairs;
  for (uint32_t largest = 0; largest < 256; ++largest) {
    for (uint32_t smallest = 0; smallest <= largest; ++smallest) {
      if (!FillPair(curve, smallest, largest, pair++)) return nullptr;
    }
  }
  frame->pairs = table->pairs;
  return table;
}
