// Running the built velmora binary and making and reading test images.
#pragma once

#include <OpenImageIO/imageio.h>

#include <filesystem>
#include <string>
#include <vector>

#include "simhost/effect_settings.h"
#include "simhost/host.h"

struct RunResult {
  int exit_code;
  std::string out;
  std::string err;
};

// Runs velmora with the arguments (each quoted for the shell), stdin closed, in
// `folder` when one is given.
RunResult RunVelmora(const std::vector<std::string>& arguments,
                     const std::filesystem::path& folder = {});

// A fresh, empty folder for one test.
std::filesystem::path TestFolder(const std::string& name);

// A width x height image of `channels` channels in `format` whose samples step
// through the whole range of the format (floats from -0.25 to 2.0), varying
// per pixel and channel; `seed` makes images differ.
struct TestImage {
  OIIO::ImageSpec header;
  std::vector<float> samples;  // as the file holds them, in float
};
TestImage MakeTestImage(int width, int height, int channels, OIIO::TypeDesc format, int seed);
void WriteTestImage(const std::filesystem::path& path, const TestImage& image);

// The file's samples converted to float (exact for 8-bit, 16-bit, half and float).
TestImage ReadTestImage(const std::filesystem::path& path);

std::string FileBytes(const std::filesystem::path& path);
