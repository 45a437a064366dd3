// Sine and cosine of doubles, computed the same way on every platform.
//
// The curve's construction depends on the last bit of the sine and cosine it
// is handed. The C libraries of our Linux and Windows builds disagree in the
// last bit for a few percent of arguments, so the simulated host hands the
// module these (`ansi.sin`, `ansi.cos`), and the OFX adapter, to which no host
// hands a sine, builds with them: plain double arithmetic from one source, so
// the two builds of each can be compared bit for bit.
//
// Accuracy: within one unit in the last place over the whole double range
// (argument reduction is exact to far beyond double precision). Infinity and
// NaN give NaN.
#pragma once

double PortableSin(double x);
double PortableCos(double x);
