// The words by which the host identifies this effect's version and abilities.
//
// GlobalSetup stores them and the plug-in property list carries the same
// values; both read them from here so the two can never disagree. Kept free of
// every other header so that the property-list generator can include it alone.
#pragma once

// Version 1.0, stage develop, build 1: major in bits 19-21, minor in 15-18,
// patch in 11-14, stage in 9-10, build in 0-8.
constexpr unsigned kEffectVersion = 0x80001u;

// Deep colour aware (0x02000000: handles 16-bit images) and pixel independent
// (0x400: each output pixel depends only on the input pixel at its place).
constexpr int kEffectOutFlags = 0x02000400;

// Does not need the host to clear empty pixels (0x40).
constexpr int kEffectOutFlags2 = 0x40;

static_assert(kEffectVersion == ((1u << 19) | (0u << 15) | (0u << 11) | (0u << 9) | 1u),
              "version 1.0.0, develop, build 1");
