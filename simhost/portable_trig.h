// Sine and cosine of doubles, computed the same way on every platform.
//
// The host hands the effect its sine and cosine through `ansi.sin` and
// `ansi.cos`, and the effect's curve construction depends on their last bit.
// The C libraries of our Linux and Windows builds disagree in the last bit for
// a few percent of arguments, so the simulated host uses this implementation,
// built from the same source and plain double arithmetic on both, to let the
// two builds of the module be compared bit for bit.
//
// Accuracy: within one unit in the last place over the whole double range
// (argument reduction is exact to far beyond double precision). Infinity and
// NaN give NaN.
#pragma once

namespace simhost {

double PortableSin(double x);
double PortableCos(double x);

}  // namespace simhost
