// Float frames on the short routes without a blend, four pixels at a step:
// the same IEEE operations in the same order as the pixel by pixel walk, on
// lanes that each hold one pixel's channel, so every bit is the same. Two
// instruction sets: SSE2, the base of every x86-64 processor, with two double
// lanes to an instruction; and AVX2, with four and a gather for the table,
// chosen at run time where the processor and the system report it (its
// functions carry their own target attribute; nothing newer is assumed when
// the module loads). Neither uses fused multiply-adds.
#pragma once

#include "engine/pixel_frame.h"
#include "host_sdk/host_types.h"

enum class VectorSet { Sse2, Avx2 };

// Whether the frame's route is one the walks of four pixels take.
bool WalksInGroups(const PixelFrame& frame);

// AVX2 where this processor and system run it, else SSE2; decided once.
VectorSet ChosenVectorSet();
bool Runs(VectorSet set);

// TransformFrameRowsBGRA and TransformFrameRowsARGB of pixel_transform.h for a
// frame that WalksInGroups, with the given instruction set, which this
// processor must run.
void WalkGroupsSse2(const PixelFrame& frame, const PF_EffectWorld& source,
                    const PF_EffectWorld& destination, A_long rows, bool bgra);
void WalkGroupsAvx2(const PixelFrame& frame, const PF_EffectWorld& source,
                    const PF_EffectWorld& destination, A_long rows, bool bgra);

// x[i]^y for `count` values (a multiple of 4) by the group walks' power on
// four lanes, with the given set: SinglePow's bits. For the tests.
void PowersSse2(const float* x, int count, float y, float* powers);
void PowersAvx2(const float* x, int count, float y, float* powers);
