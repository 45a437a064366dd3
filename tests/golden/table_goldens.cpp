// The tone table over a grid of curve controls. Each line names its controls
// and gives the table size, both end slopes and the hash of the whole table;
// the lines of the sampled groups add a few slots written out.
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/portable_trig.h"
#include "engine/tone_curve.h"
#include "tests/golden/golden_text.h"
#include "tests/golden/goldens.h"
#include "tests/support/fnv1a.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A pivot by its three channels: only their lightness reaches the table.
struct Pivot {
  const char* name;
  float red, green, blue;
};

struct Table {
  ToneCurve curve{};
  float storage[kLutCapacity];
};

// The one place the grid meets the engine's signature.
void Build(Table* table, int32_t table_size, const Pivot& pivot, double contrast, double width,
           double shadows, double highlights, int32_t clamps) {
  const CurveControls controls{table_size, pivot.red, pivot.green, pivot.blue, contrast,
                               width,      shadows,   highlights,  clamps & 1, clamps >> 1};
  BuildLut(&table->curve, table->storage, controls, PortableSin, PortableCos);
}

uint64_t TableHash(const Table& table, uint64_t hash = kFnv1aStart) {
  return Fnv1a(table.storage, sizeof(float) * static_cast<std::size_t>(table.curve.lut_size), hash);
}

void WriteTable(std::ostream& out, const std::string& name, int32_t table_size, const Pivot& pivot,
                double contrast, double width, double shadows, double highlights, int32_t clamps,
                bool sampled) {
  Table table;
  Build(&table, table_size, pivot, contrast, width, shadows, highlights, clamps);
  const int32_t size = table.curve.lut_size;
  out << name << " size=" << size << " black=" << GoldenFloat(table.curve.black_slope)
      << " white=" << GoldenFloat(table.curve.white_slope)
      << " table=" << GoldenHex(TableHash(table)) << "\n";
  if (!sampled) return;
  out << " ";
  for (int32_t slot : {0, 1, size / 4, size / 2, 3 * size / 4, size - 2, size - 1})
    out << " [" << slot << "]" << GoldenFloat(table.storage[slot]);
  out << "\n";
}

// Many tables in one line: the hash runs over each table and its two slopes
// in turn. A sweep finds the rare control where the last bit of a sine, say,
// decides a slot, which a named grid point would have to hit by luck.
void WriteSweep(std::ostream& out, const std::string& name, int count,
                const std::function<void(Table*, int)>& build) {
  uint64_t hash = kFnv1aStart;
  Table table;
  for (int i = 0; i < count; ++i) {
    build(&table, i);
    hash = TableHash(table, hash);
    hash = Fnv1a(&table.curve.black_slope, sizeof(float), hash);
    hash = Fnv1a(&table.curve.white_slope, sizeof(float), hash);
  }
  out << name << " tables=" << count << " hash=" << GoldenHex(hash) << "\n";
}

std::string Number(double value) {
  if (value != value) return "nan";
  std::string text = GoldenFloat(static_cast<float>(value));
  return text.substr(0, text.find('[')) + (static_cast<float>(value) == value ? "" : "~");
}

}  // namespace

void WriteTableGoldens(std::ostream& out) {
  const float near_white = 254.0f / 255.0f;
  const float below_one = 1.0f - 0x1p-24f;
  const Pivot pivots[] = {
      {"black", 0.0f, 0.0f, 0.0f},
      {"white", 1.0f, 1.0f, 1.0f},  // no bright segment at all
      {"near_white", near_white, near_white, near_white},
      {"below_one", below_one, below_one, below_one},
      {"last_bright_slot", 0.99f, 0.99f, 0.99f},  // the bright segment empty at 128
      {"half_grey", 0.5f, 0.5f, 0.5f},
      {"byte_grey", 128.0f / 255.0f, 128.0f / 255.0f, 128.0f / 255.0f},
      {"dark", 0.05f, 0.05f, 0.05f},
      {"colour", 0.9f, 0.3f, 0.6f},
      {"beyond_channels", 1.5f, -0.2f, 0.4f},
      {"beyond_lightness", 2.0f, 2.0f, 2.0f},
      {"nan", std::nanf(""), std::nanf(""), std::nanf("")},
  };
  const Pivot& white = pivots[1];
  const Pivot& near_white_pivot = pivots[2];
  const Pivot& half = pivots[5];
  const Pivot& dark = pivots[7];
  const Pivot& colour = pivots[8];
  const int32_t sizes[] = {32, 64, 128, 256, 1024, 100};

  // Every table size at every pivot over the contrast's ends and middle.
  for (int32_t size : sizes) {
    for (const Pivot& pivot : pivots) {
      for (double contrast : {-100.0, -50.0, 0.0, 50.0, 100.0}) {
        WriteTable(out,
                   "size_" + std::to_string(size) + " pivot_" + pivot.name + " contrast_" +
                       Number(contrast),
                   size, pivot, contrast, 1.0, 0.0, 0.0, 0, pivot.red == 0.5f);
      }
    }
  }
  // The whole contrast range, beyond it and NaN, written out.
  std::vector<double> contrasts = {-99.9, -0.01, 0.01, 99.9, 100.5, -250.0, kNaN};
  for (int step = -12; step <= 12; ++step) contrasts.push_back(step * 100.0 / 12.0);
  for (const Pivot* pivot : {&half, &colour}) {
    for (double contrast : contrasts) {
      WriteTable(out, std::string("contrast_") + Number(contrast) + " pivot_" + pivot->name, 128,
                 *pivot, contrast, 1.0, 0.0, 0.0, 0, true);
    }
  }
  // Widths down to the least and past it.
  for (int32_t size : {32, 1024}) {
    for (const Pivot* pivot : {&half, &near_white_pivot, &dark}) {
      for (double contrast : {-75.0, 60.0}) {
        for (double width : {0.001, 0.0011, 0.01, 0.1, 0.5, 0.999, 1.0, 0.0, -1.0, 1.5, kNaN}) {
          WriteTable(out,
                     "width_" + Number(width) + " size_" + std::to_string(size) + " pivot_" +
                         pivot->name + " contrast_" + Number(contrast),
                     size, *pivot, contrast, width, 0.0, 0.0, 0, false);
        }
      }
    }
  }
  // Both roll-offs, alone and together, with wide and narrow tangents.
  const double rolloffs[][2] = {{0.0, 0.0}, {1.0, 0.0},  {0.0, 1.0},  {1.0, 1.0},
                                {0.3, 0.7}, {-1.0, 2.0}, {kNaN, kNaN}};
  for (const Pivot* pivot : {&half, &dark, &near_white_pivot}) {
    for (double contrast : {-75.0, 50.0}) {
      for (double width : {1.0, 0.2}) {
        for (const auto& rolloff : rolloffs) {
          WriteTable(out,
                     "rolloff_" + Number(rolloff[0]) + "_" + Number(rolloff[1]) + " pivot_" +
                         pivot->name + " contrast_" + Number(contrast) + " width_" + Number(width),
                     256, *pivot, contrast, width, rolloff[0], rolloff[1], 0, width == 1.0);
        }
      }
    }
  }
  // Each clamp alone and both.
  for (int32_t clamps = 1; clamps <= 3; ++clamps) {
    for (const Pivot* pivot : {&half, &dark, &white}) {
      for (double contrast : {-60.0, 60.0}) {
        WriteTable(out,
                   "clamps_" + std::to_string(clamps) + " pivot_" + pivot->name + " contrast_" +
                       Number(contrast),
                   64, *pivot, contrast, 1.0, 0.0, 0.0, clamps, false);
      }
    }
  }
  // Sweeps: the contrast in steps of a quarter, the pivot over every colour
  // byte at both ends of the contrast (at -100 the cosine is the last bits
  // of the angle's distance from a right angle).
  for (int32_t size : {32, 64, 128, 256, 1024}) {
    const std::string at = " size_" + std::to_string(size);
    WriteSweep(out, "sweep_contrast" + at + " pivot_half", 801, [&](Table* table, int i) {
      Build(table, size, half, -100.0 + 0.25 * i, 1.0, 0.0, 0.0, 0);
    });
    for (double contrast : {-100.0, -50.0, 50.0}) {
      for (double width : {1.0, 0.5}) {
        WriteSweep(
            out,
            "sweep_pivot_byte" + at + " contrast_" + Number(contrast) + " width_" + Number(width),
            256, [&](Table* table, int byte) {
              const float channel = static_cast<float>(byte) / 255.0f;
              Build(table, size, {"", channel, channel, channel}, contrast, width, 0.0, 0.0, 0);
            });
      }
    }
  }
}
