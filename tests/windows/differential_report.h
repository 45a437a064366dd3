// Random renders written as a report that two builds of the module must agree
// on byte for byte: the jobs of `velmora_test::JobMaker` from a seed (random
// host mode, pixel format, frame, settings and host failures), one line each
// with the code, the flags, the message and a hash of the output's pixels.
// Only integers and escaped text are written, so the two C libraries' number
// formatting cannot make the reports differ.
#pragma once

#include <ostream>

#include "simhost/module.h"

void WriteDifferentialReport(simhost::EntryPointFunction entry, unsigned long seed,
                             unsigned long count, std::ostream& out);
