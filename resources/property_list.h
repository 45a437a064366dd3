// The plug-in property list: the resource from which the host learns that the
// module holds an effect, its name and category, the exported function to call,
// the interface versions it was built for, and its version and capability words.
//
// The host reads it as a Windows resource of type "PIPL" (a string type), id
// 16000, language 1033. The version and the two flag words come from
// host/effect_identity.h, the same header GlobalSetup reads, so the list and the
// values reported at run time cannot drift apart.
//
// Byte format, all integers little-endian:
//   header:  16-bit 1, 32-bit format version 0, 32-bit record count;
//   record:  vendor '8BIM', key, 32-bit id 0, 32-bit declared data length, then
//            the data and zero bytes up to the next multiple of 4.
// A four-character code is a 32-bit integer whose most significant byte is the
// first character, so its bytes appear reversed ('8BIM' is stored M, I, B, 8).
#pragma once

#include <cstdint>
#include <vector>

constexpr uint16_t kPropertyListResourceId = 16000;
constexpr uint16_t kPropertyListLanguage = 1033;  // English, United States

// The resource's bytes, exactly as the host reads them.
std::vector<uint8_t> PropertyListBytes();
