// ASCII lower case, for the tool's case-blind matching of words the user types.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

inline std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}
