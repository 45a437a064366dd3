#include "simhost/world.h"

#include <gtest/gtest.h>

#include <cstring>

namespace simhost {
namespace {

TEST(HostImage, WorldDescribesEachFormatAndLayout) {
  struct Case {
    HostPixelFormat format;
    A_long padding;
    RowOrder order;
    A_long expected_rowbytes;
    bool deep;
  };
  const Case cases[] = {
      {HostPixelFormat::ARGB8, 0, RowOrder::TopDown, 7 * 4, false},
      {HostPixelFormat::ARGB16, 6, RowOrder::TopDown, 7 * 8 + 6, true},
      {HostPixelFormat::BGRA8, 12, RowOrder::BottomUp, -(7 * 4 + 12), false},
      {HostPixelFormat::BGRAFloat, 3, RowOrder::BottomUp, -(7 * 16 + 3), false},
  };
  for (const Case& c : cases) {
    HostImage image(c.format, 7, 5, c.padding, c.order);
    const PF_EffectWorld& world = *image.World();
    EXPECT_EQ(world.width, 7);
    EXPECT_EQ(world.height, 5);
    EXPECT_EQ(world.rowbytes, c.expected_rowbytes);
    EXPECT_EQ((world.world_flags & PF_WorldFlag_DEEP) != 0, c.deep);
    EXPECT_EQ(world.extent_hint.right, 7);
    EXPECT_EQ(world.extent_hint.bottom, 5);
    EXPECT_EQ(FormatOfWorld(world), c.format);
    // Row y is where the world's own arithmetic says it is.
    for (A_long y = 0; y < 5; ++y) {
      EXPECT_EQ(image.Row(y),
                reinterpret_cast<std::uint8_t*>(world.data) + std::ptrdiff_t{y} * world.rowbytes);
    }
    EXPECT_TRUE(image.GuardsIntact());
  }
}

TEST(HostImage, BottomUpRowsAreStoredLastRowFirst) {
  HostImage image(HostPixelFormat::ARGB8, 2, 3, 0, RowOrder::BottomUp);
  EXPECT_LT(image.Row(2), image.Row(0));
  EXPECT_EQ(image.Row(1) - image.Row(2), 8);
}

// A bottom-up image without rows once pointed its data one stride before its
// buffer; the sanitizer build reports such pointer arithmetic.
TEST(HostImage, ImagesWithoutRowsStayInsideTheirBuffer) {
  for (RowOrder order : {RowOrder::TopDown, RowOrder::BottomUp}) {
    HostImage image(HostPixelFormat::BGRAFloat, 5, 0, 8, order);
    EXPECT_EQ(image.World()->height, 0);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(image.World()->data), image.Row(0));
    EXPECT_TRUE(image.PixelBytes().empty());
    EXPECT_TRUE(image.GuardsIntact());
  }
}

TEST(HostImage, PixelBytesIgnoreStrideAndRowOrder) {
  HostImage plain(HostPixelFormat::ARGB16, 9, 4);
  HostImage padded(HostPixelFormat::ARGB16, 9, 4, 10, RowOrder::BottomUp);
  plain.FillPattern(7);
  padded.FillPattern(7);
  EXPECT_EQ(plain.PixelBytes(), padded.PixelBytes());
  EXPECT_EQ(plain.PixelBytes().size(), 9u * 4u * 8u);
  padded.FillPattern(8);
  EXPECT_NE(plain.PixelBytes(), padded.PixelBytes());
}

TEST(HostImage, PatternsStayInEachFormatsRange) {
  HostImage deep(HostPixelFormat::ARGB16, 16, 16);
  deep.FillPattern(3);
  for (A_long y = 0; y < 16; ++y) {
    for (A_long x = 0; x < 16; ++x) EXPECT_LE(deep.At<PF_Pixel16>(x, y).red, 32768);
  }
  HostImage floats(HostPixelFormat::BGRAFloat, 16, 16);
  floats.FillPattern(3);
  for (A_long y = 0; y < 16; ++y) {
    for (A_long x = 0; x < 16; ++x) {
      const float blue = floats.At<PF_PixelFloat>(x, y).alpha;  // first float is blue
      EXPECT_GE(blue, -0.5f);
      EXPECT_LE(blue, 1.5f);
    }
  }
}

TEST(HostImage, GuardsCatchWritesBeforeAfterAndInPadding) {
  {
    HostImage image(HostPixelFormat::BGRA8, 4, 3, 8);
    image.Row(0)[-1] = 0;  // just before the first row
    EXPECT_FALSE(image.GuardsIntact());
  }
  {
    HostImage image(HostPixelFormat::BGRA8, 4, 3, 8, RowOrder::BottomUp);
    image.Row(0)[4 * 4 + 8] = 0;  // just after the top row, which is stored last
    EXPECT_FALSE(image.GuardsIntact());
  }
  {
    HostImage image(HostPixelFormat::BGRA8, 4, 3, 8);
    image.Row(1)[4 * 4] = 0;  // first padding byte of a middle row
    EXPECT_FALSE(image.GuardsIntact());
  }
  {
    HostImage image(HostPixelFormat::BGRA8, 4, 3, 8);
    std::memset(image.Row(2), 0x11, 4 * 4);  // the whole of the last row's pixels
    EXPECT_TRUE(image.GuardsIntact());
  }
}

// A bottom-up image without rows once placed its data pointer far outside its
// storage (the undefined-behaviour sanitizer build reports such arithmetic).
TEST(HostImage, ImagesWithoutRowsPointAtTheirStorage) {
  for (RowOrder order : {RowOrder::TopDown, RowOrder::BottomUp}) {
    HostImage image(HostPixelFormat::BGRAFloat, 5, 0, 4, order);
    EXPECT_EQ(image.World()->height, 0);
    EXPECT_TRUE(image.PixelBytes().empty());
    EXPECT_TRUE(image.GuardsIntact());
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(image.World()->data), image.Row(0));
  }
}

TEST(HostImage, ForeignWorldsAreTakenByTheirDeepFlag) {
  PF_EffectWorld world{};
  EXPECT_EQ(FormatOfWorld(world), HostPixelFormat::ARGB8);
  world.world_flags = PF_WorldFlag_DEEP;
  EXPECT_EQ(FormatOfWorld(world), HostPixelFormat::ARGB16);
}

TEST(HostImage, PremiereCodes) {
  EXPECT_EQ(PremiereCodeOf(HostPixelFormat::BGRA8), PrPixelFormat_BGRA_4444_8u);
  EXPECT_EQ(PremiereCodeOf(HostPixelFormat::BGRAFloat), PrPixelFormat_BGRA_4444_32f);
  EXPECT_EQ(PremiereCodeOf(HostPixelFormat::ARGB8), PrPixelFormat_ARGB_4444_8u);
  EXPECT_EQ(PremiereCodeOf(HostPixelFormat::ARGB16), PrPixelFormat_Invalid);
}

}  // namespace
}  // namespace simhost
