// Every string and integer constant of the image-effect interface, under the
// interface's own names: action, property, type and value names as character
// arrays (compare them by content, never by address), status codes and flags
// as integers. Several values differ from their names (for example
// kOfxImagePreMultiplied is "OfxImageAlphaPremultiplied"): the list holds the
// values, never a rule that derives them.
#pragma once

#include <cstdint>

#define OFX_STRING(name, value) inline constexpr char name[] = value;
#define OFX_INT(name, value) inline constexpr int32_t name = value;
#include "ofx_sdk/ofx_constants.inc"
#undef OFX_STRING
#undef OFX_INT
