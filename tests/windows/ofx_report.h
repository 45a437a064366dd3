// The image-effect bundle's report: everything it declares, the identity
// answers, and a hash of every output row over a matrix of settings, depths,
// layouts and tiles, the fault paths and the image ledger. The Windows bundle
// under wine must write the same bytes as the native one.
#pragma once

#include <ostream>
#include <string>

// False when the binary does not load.
bool WriteOfxReport(const std::string& binary, std::ostream& out);
