// A deterministic account of everything a module does when a host drives it:
// every command in both host modes, renders of every pixel format over a matrix
// of settings, and the failure paths. The native module and the Windows module
// must write the same report, byte for byte.
//
// Only integers and texts are written (floating-point values as their bits), so
// the two C libraries' number formatting cannot make the reports differ.
#pragma once

#include <ostream>

#include "simhost/module.h"

void WriteModuleReport(simhost::EntryPointFunction entry, std::ostream& out);
