#include "tests/tools/cli_support.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

namespace {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

RunResult RunVelmora(const std::vector<std::string>& arguments,
                     const std::filesystem::path& working_folder) {
  static int run = 0;
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "velmora-cli-runs";
  std::filesystem::create_directories(folder);
  const std::string stem =
      (folder / (std::to_string(getpid()) + "-" + std::to_string(run++))).string();
  std::string command =
      working_folder.empty() ? "" : "cd " + ShellQuoted(working_folder.string()) + " && ";
  // A hang fails the test instead of stalling the run.
  command += "timeout 60 " + ShellQuoted(VELMORA_BINARY);
  for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
  command += " </dev/null >'" + stem + ".out' 2>'" + stem + ".err'";
  const int status = std::system(command.c_str());
  RunResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, FileBytes(stem + ".out"),
                   FileBytes(stem + ".err")};
  std::filesystem::remove(stem + ".out");
  std::filesystem::remove(stem + ".err");
  return result;
}

std::filesystem::path TestFolder(const std::string& name) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("velmora-test-" + std::to_string(getpid())) / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

TestImage MakeTestImage(int width, int height, int channels, OIIO::TypeDesc format, int seed) {
  TestImage image;
  image.header = OIIO::ImageSpec(width, height, channels, format);
  const bool is_float = format == OIIO::TypeDesc::FLOAT || format == OIIO::TypeDesc::HALF;
  const double top = format == OIIO::TypeDesc::UINT8 ? 255.0 : 65535.0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        const unsigned step =
            static_cast<unsigned>((x * 7 + y * 131 + c * 57 + seed * 29) * 2654435761u);
        const double unit = static_cast<double>(step % 10007u) / 10006.0;
        if (is_float) {
          image.samples.push_back(static_cast<float>(-0.25 + 2.25 * unit));
        } else {
          image.samples.push_back(static_cast<float>(std::round(unit * top) / top));
        }
      }
    }
  }
  return image;
}

void WriteTestImage(const std::filesystem::path& path, const TestImage& image) {
  auto output = OIIO::ImageOutput::create(path.string());
  OIIO::ImageSpec header = image.header;
  header.attribute("oiio:UnassociatedAlpha", 1);
  if (!output || !output->open(path.string(), header) ||
      !output->write_image(OIIO::TypeDesc::FLOAT, image.samples.data()) || !output->close()) {
    throw std::runtime_error("cannot write test image " + path.string());
  }
}

TestImage ReadTestImage(const std::filesystem::path& path) {
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  auto input = OIIO::ImageInput::open(path.string(), &config);
  if (!input) throw std::runtime_error("cannot read " + path.string());
  TestImage image;
  image.header = input->spec();
  image.samples.resize(image.header.image_pixels() *
                       static_cast<std::size_t>(image.header.nchannels));
  input->read_image(0, 0, 0, image.header.nchannels, OIIO::TypeDesc::FLOAT, image.samples.data());
  return image;
}
