#include "engine/pair_table.h"

#include <cmath>
#include <cstring>
#include <new>

#include "engine/pixel_lanes.h"
#include "engine/tone_curve.h"

namespace {

// Filling a pair costs about 80 instructions with a neutral pre-transform and
// about 5 pixels' worth with a power; a table saves about 16 a pixel against
// the short route in the first case and about 150 in the second. Below these
// sizes a frame spends more on the table than the table saves.
// The 16-bit table has twice the entries and saves about as much a pixel.
constexpr int64_t kPixelsWorthATable = int64_t{1} << 18;
constexpr int64_t kPixelsWorthATablePreTransformed = int64_t{1} << 16;

bool WorthATable(const ToneCurve& curve, int64_t pixels, int64_t entries) {
  // A mix outside [0, 1] could move a blended channel beyond the stores' range.
  const bool mix_in_range = curve.mix >= 0.0f && curve.mix <= 1.0f;
  const int64_t worth =
      IsNeutralPreTransform(curve) ? kPixelsWorthATable : kPixelsWorthATablePreTransformed;
  return mix_in_range && pixels >= worth * entries / kPairCount;
}

// A bound on |ratio| + |level| far below where a moved channel, at most that
// (an offset lies in [-1, 1]), could leave the range the 8-bit store
// truncates. The 16-bit store keeps no clamp at 0 and takes values above -1
// only: every channel lies within the lightness of it, so ratio * offset lies
// within the level of 0 and a channel is at least 0 up to roundings where
// the offsets stay; where they become 0 the channel is the level itself.
constexpr double kLargestMagnitude = 1048576.0;
constexpr double kLowestLevel16 = -0.5;

// Steps 6 and 7 of the general route for one entry, in its operations, from
// its lightness (step 3) and level (step 5). Where the offsets become 0 the general route adds
// ratio * 0 to the level, which is the level for every finite ratio up to the sign of a zero; the
// table keeps a ratio of 0 there instead, so that ratio * offset is a zero
// as well: a zero of either sign is code 0 in every integer store, also after
// a blend, which adds (1 - mix) * X >= +0 to it. Preserving HDR, the offsets
// stay where the ratio is positive. Returns false for an entry whose values
// are not finite or too large for the table's stores.
bool FillLevel(double lightness, double level, bool preserve_hdr, PairLevel* pair) {
  const double ratio = lightness != 0.0 ? level / lightness : 0.0;
  if (!(std::fabs(ratio) + std::fabs(level) < kLargestMagnitude)) return false;  // NaN too
  const bool offsets_stay = preserve_hdr ? ratio > 0.0 : !(level <= 0.0 || level >= 1.0);
  const double kept_ratio = offsets_stay ? ratio : 0.0;
  *pair = {{lightness, lightness}, {kept_ratio, kept_ratio}, {level, level}};
  return true;
}

// Step 5 for the pairs of an 8-bit frame. With a gamma other than 1 the level
// depends on the lightness narrowed to float alone (PreTransform takes it so),
// and the pairs of one code sum, whose lightnesses differ in their last bits
// only, mostly share that float: the last level of each sum is kept and
// reused while its float is the same, which saves most of the powers.
class PairLevels {
 public:
  explicit PairLevels(const ToneCurve& curve) : curve_(curve), by_float_(!FieldIsOne(curve.gamma)) {
    for (Kept& kept : kept_) kept.base = -1.0f;  // no lightness narrows to it
  }

  double Level(uint32_t sum, double lightness) {
    if (!by_float_) return EvaluateCurve(lightness, curve_);
    Kept& kept = kept_[sum];
    const float base = static_cast<float>(lightness);  // lightness >= 0, as PreTransform narrows it
    if (base != kept.base) kept = {base, EvaluateCurve(lightness, curve_)};
    return kept.level;
  }

 private:
  struct Kept {
    float base;
    double level;
  };
  const ToneCurve& curve_;
  bool by_float_;
  Kept kept_[511];
};

// Filling the table of output codes costs about 14 million instructions (21
// with a blend), 5 to 7 a code, and saves 20 to 26 a pixel against the
// pairs' route: from about 800 000 pixels on it pays.
constexpr int64_t kPixelsWorthCodes = int64_t{1} << 20;

// StoreChannels8InRange on two sets of four lanes, each lane in the same
// operations, the eight codes stored together.
inline void StoreEightCodes(__m128 first, __m128 second, uint8_t* codes, __m128 lanes_255) {
  const __m128i low = _mm_cvttps_epi32(_mm_mul_ps(first, lanes_255));
  const __m128i high = _mm_cvttps_epi32(_mm_mul_ps(second, lanes_255));
  const __m128i words = _mm_packs_epi32(low, high);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(codes), _mm_packus_epi16(words, words));
}

// Each pair's row of output codes: MoveByEntry and the 8-bit store, as the
// pairs' route takes them, on eight channel codes at a time.
template <bool kBlend>
void FillCodes(const PixelFrame& frame, const PairLevel* pairs, CodeTable* table) {
  // The codes' values, and values past the last code for the rows' last
  // eight, whose bytes the next row overwrites (or the table's spare seven).
  alignas(16) double unit[256 + 8] = {};
  std::memcpy(unit, kWideUnitOf8BitCodes.values, sizeof kWideUnitOf8BitCodes.values);
  const __m128 lanes_255 = _mm_load_ps(frame.lanes_255);
  uint8_t* row = table->codes;
  const uint8_t** row_of_pair = table->rows;
  for (uint32_t largest = 0; largest < 256; ++largest) {
    for (uint32_t smallest = 0; smallest <= largest; ++smallest) {
      const PairLevel& pair = *pairs++;
      *row_of_pair++ = row - smallest;
      for (uint32_t code = smallest; code <= largest; code += 8) {
        const double* values = &unit[code];
        const __m128 first =
            MoveByEntry<kBlend>(pair, frame, _mm_loadu_pd(values), _mm_loadu_pd(values + 2));
        const __m128 second =
            MoveByEntry<kBlend>(pair, frame, _mm_loadu_pd(values + 4), _mm_loadu_pd(values + 6));
        StoreEightCodes(first, second, row + (code - smallest), lanes_255);
      }
      row += largest - smallest + 1;
    }
  }
}

void AttachCodes(PixelFrame* frame, int64_t pixels, PairTable* table) {
  if (pixels < kPixelsWorthCodes) return;
  table->codes.reset(new (std::nothrow) CodeTable);
  if (table->codes == nullptr) return;
  if (FieldIsOne(frame->curve.mix)) {
    FillCodes<false>(*frame, table->pairs, table->codes.get());
  } else {
    FillCodes<true>(*frame, table->pairs, table->codes.get());
  }
  frame->codes = table->codes.get();
}

}  // namespace

std::unique_ptr<PairTable> AttachPairTable(PixelFrame* frame, int64_t pixels) {
  const ToneCurve& curve = frame->curve;
  if (frame->route == FrameRoute::Identity) return nullptr;  // nothing to look up
  if (!WorthATable(curve, pixels, kPairCount)) return nullptr;
  const bool preserve_hdr = curve.preserve_hdr != 0;
  std::unique_ptr<PairTable> table(new (std::nothrow) PairTable);
  if (table == nullptr) return nullptr;
  const double* unit = kWideUnitOf8BitCodes.values;
  PairLevels levels(curve);
  PairLevel* pair = table->pairs;
  for (uint32_t largest = 0; largest < 256; ++largest) {
    for (uint32_t smallest = 0; smallest <= largest; ++smallest) {
      // Step 3 as the pixel path takes it, from the codes' values in double.
      const double lightness = (unit[smallest] + unit[largest]) * 0.5;
      if (!FillLevel(lightness, levels.Level(smallest + largest, lightness), preserve_hdr,
                     pair++)) {
        return nullptr;
      }
    }
  }
  frame->pairs = table->pairs;
  AttachCodes(frame, pixels, table.get());
  return table;
}

std::unique_ptr<SumTable> AttachSumTable(PixelFrame* frame, int64_t pixels) {
  const ToneCurve& curve = frame->curve;
  if (frame->route == FrameRoute::Identity) return nullptr;  // nothing to look up
  if (!WorthATable(curve, pixels, kSumCount)) return nullptr;
  const bool preserve_hdr = curve.preserve_hdr != 0;
  std::unique_ptr<SumTable> table(new (std::nothrow) SumTable);
  if (table == nullptr) return nullptr;
  for (int32_t sum = 0; sum < kSumCount; ++sum) {
    PairLevel& entry = table->sums[sum];
    // (smallest * 2^-15 + largest * 2^-15) * 0.5, every step exact.
    const double lightness = static_cast<double>(sum) * 0x1p-16;
    if (!FillLevel(lightness, EvaluateCurve(lightness, curve), preserve_hdr, &entry) ||
        !(entry.level[0] > kLowestLevel16)) {
      return nullptr;
    }
  }
  frame->sums = table->sums;
  return table;
}
