// The words by which the host identifies this effect's version and abilities.
//
// GlobalSetup stores them and the plug-in property list carries the same
// values; both read them from here so the two can never disagree. Kept free of
// every other header so that the property-list generator can include it alone.
#pragma once

// Version 1.2, stage develop, build 1: major in bits 19-21, minor in 15-18,
// patch in 11-14, stage in 9-10, build in 0-8. The about text shows the same
// major and minor.
constexpr unsigned kEffectVersion = 0x90001u;
constexpr int kEffectVersionMajor = 1;
constexpr int kEffectVersionMinor = 2;

// The host interface version our declarations follow, which the property list
// names: multi-frame rendering is honoured only for 13.25 and later.
constexpr int kEffectInterfaceMajor = 13;
constexpr int kEffectInterfaceMinor = 28;

// Deep colour aware (0x02000000: handles 16-bit images) and pixel independent
// (0x400: each output pixel depends only on the input pixel at its place).
constexpr int kEffectOutFlags = 0x02000400;

// Does not need the host to clear empty pixels (0x40); speaks the smart
// pre-render and render commands (0x400), the only way 32-bit float frames
// reach an effect; renders float (0x1000); may render several frames at once
// (0x8000000): the effect keeps no state between calls.
constexpr int kEffectOutFlags2 = 0x40 | 0x400 | 0x1000 | 0x8000000;

static_assert(kEffectVersion == ((static_cast<unsigned>(kEffectVersionMajor) << 19) |
                                 (static_cast<unsigned>(kEffectVersionMinor) << 15) | (0u << 11) |
                                 (0u << 9) | 1u),
              "version 1.2.0, develop, build 1");
static_assert(kEffectInterfaceMajor == 13 && kEffectInterfaceMinor >= 25,
              "multi-frame rendering needs interface 13.25 or later");
