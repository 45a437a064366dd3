#include "simofx/descriptor_report.h"

#include <cstdio>
#include <sstream>

namespace simofx {
namespace {

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

void ListProperties(const PropertySet& set, const std::string& indent, std::ostringstream& out) {
  for (const auto& [name, p] : set.All()) {
    out << indent << name;
    for (int32_t v : p.ints) out << ' ' << v;
    for (double v : p.doubles) out << ' ' << Number(v);
    for (const std::string& v : p.strings) out << " \"" << v << '"';
    for (void* v : p.pointers) out << (v == nullptr ? " null" : " pointer");
    out << '\n';
  }
}

}  // namespace

std::string DescriptorReport(OfxHostSim& host) {
  std::ostringstream out;
  const OfxPlugin& plugin = *host.plugin();
  out << "plugin " << plugin.pluginApi << ' ' << plugin.apiVersion << ' ' << plugin.pluginIdentifier
      << ' ' << plugin.pluginVersionMajor << '.' << plugin.pluginVersionMinor << '\n';
  Effect& effect = *host.descriptor();
  out << "effect\n";
  ListProperties(effect.properties, "  ", out);
  for (const auto& [name, clip] : effect.clips) {
    out << "clip " << name << '\n';
    ListProperties(clip->properties, "  ", out);
  }
  for (const std::string& name : effect.params.order) {
    out << "param " << name << '\n';
    ListProperties(effect.params.params.at(name)->properties, "  ", out);
  }
  return out.str();
}

}  // namespace simofx
