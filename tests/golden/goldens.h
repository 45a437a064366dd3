// The golden reports: what the effect computes, written as text that the
// stored files under tests/golden/data must equal line for line.
//
//  - tables: the engine's tone table and end slopes over a grid of curve
//    controls that reaches every branch of the table's construction;
//  - frames: the module driven through EntryPointFunc by the simulated host,
//    every pixel route of both hosts over whole code ranges, each group of
//    frames as one hash and a few pixels written out.
//
// Tables are hashed by FNV-1a 64, frames by its word-wise form
// (tests/support/fnv1a.h). Numbers are written from
// their bits with integer arithmetic only, never by the C library's
// formatting, so the native and the Windows build write the same bytes.
#pragma once

#include <ostream>

#include "simhost/module.h"

void WriteTableGoldens(std::ostream& out);
void WriteFrameGoldens(simhost::EntryPointFunction entry, std::ostream& out);
