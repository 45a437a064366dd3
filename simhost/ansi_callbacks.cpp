#include "simhost/ansi_callbacks.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/portable_trig.h"

namespace simhost {
namespace {

// The host's text callbacks cannot know the size of the buffer they write to;
// the largest one the effect passes is `return_msg`, so nothing is written
// beyond its 256 bytes.
constexpr std::size_t kTextLimit = sizeof(PF_OutData::return_msg);

double AnsiSin(double x) {
  return PortableSin(x);
}
double AnsiCos(double x) {
  return PortableCos(x);
}
double AnsiAtan(double x) {
  return std::atan(x);
}
double AnsiAtan2(double y, double x) {
  return std::atan2(y, x);
}
double AnsiCeil(double x) {
  return std::ceil(x);
}
double AnsiExp(double x) {
  return std::exp(x);
}
double AnsiFabs(double x) {
  return std::fabs(x);
}
double AnsiFloor(double x) {
  return std::floor(x);
}
double AnsiFmod(double x, double y) {
  return std::fmod(x, y);
}
double AnsiHypot(double x, double y) {
  return std::hypot(x, y);
}
double AnsiLog(double x) {
  return std::log(x);
}
double AnsiLog10(double x) {
  return std::log10(x);
}
double AnsiPow(double x, double y) {
  return std::pow(x, y);
}
double AnsiSqrt(double x) {
  return std::sqrt(x);
}
double AnsiTan(double x) {
  return std::tan(x);
}
double AnsiAsin(double x) {
  return std::asin(x);
}
double AnsiAcos(double x) {
  return std::acos(x);
}

int AnsiSprintf(A_char* buffer, const A_char* format, ...) {
  if (buffer == nullptr || format == nullptr) return -1;
  va_list args;
  va_start(args, format);
  const int wanted = std::vsnprintf(buffer, kTextLimit, format, args);
  va_end(args);
  if (wanted < 0) return wanted;
  return wanted < static_cast<int>(kTextLimit) ? wanted : static_cast<int>(kTextLimit) - 1;
}

A_char* AnsiStrcpy(A_char* dst, const A_char* src) {
  if (dst == nullptr || src == nullptr) return dst;
  std::size_t i = 0;
  for (; i + 1 < kTextLimit && src[i] != '\0'; ++i) dst[i] = src[i];
  dst[i] = '\0';
  return dst;
}

template <typename Table>
void Fill(Table& t) {
  t.atan = AnsiAtan;
  t.atan2 = AnsiAtan2;
  t.ceil = AnsiCeil;
  t.cos = AnsiCos;
  t.exp = AnsiExp;
  t.fabs = AnsiFabs;
  t.floor = AnsiFloor;
  t.fmod = AnsiFmod;
  t.hypot = AnsiHypot;
  t.log = AnsiLog;
  t.log10 = AnsiLog10;
  t.pow = AnsiPow;
  t.sin = AnsiSin;
  t.sqrt = AnsiSqrt;
  t.tan = AnsiTan;
  t.sprintf = AnsiSprintf;
  t.strcpy = AnsiStrcpy;
  t.asin = AnsiAsin;
  t.acos = AnsiAcos;
}

}  // namespace

void FillAnsiCallbacks(PF_ANSICallbacks& callbacks) {
  Fill(callbacks);
}

void FillAnsiCallbacks(PF_ANSICallbacksSuite1& suite) {
  Fill(suite);
}

}  // namespace simhost
