// Turns the fuzzer's bytes into typed values, front to back.
//
// Each number is chosen in one of three ways by a leading byte: a value inside
// the range the host keeps it in, one of the values that break arithmetic (NaN,
// infinities, zeros of both signs, denormals, the largest floats, just outside
// the range), or the raw bits. Raw bits alone would almost never land inside a
// slider's range, and range values alone would never test what lies outside.
// Past the end of the data every read gives zero, so any input is a complete
// test case and the seed files stay short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace fuzz {

class FuzzReader {
 public:
  FuzzReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  template <typename T>
  T Raw() {
    static_assert(std::is_trivially_copyable<T>::value, "raw bytes only make plain values");
    T value{};
    const std::size_t take = size_ - offset_ < sizeof(T) ? size_ - offset_ : sizeof(T);
    if (take > 0) std::memcpy(&value, data_ + offset_, take);
    offset_ += take;
    return value;
  }

  bool Bool() { return (Raw<std::uint8_t>() & 1u) != 0; }

  // Uniform-ish in [0, count); count > 0.
  std::uint32_t Below(std::uint32_t count) { return Raw<std::uint16_t>() % count; }

  // A double chosen as described above; `low` <= `high`.
  double Double(double low, double high) {
    const std::uint8_t how = Raw<std::uint8_t>();
    switch (how % 4) {
      case 0:
      case 1:
        return InRange(low, high);
      case 2:
        return Special(low, high);
      default:
        return Raw<double>();
    }
  }

  float Float(float low, float high) {
    const std::uint8_t how = Raw<std::uint8_t>();
    switch (how % 4) {
      case 0:
      case 1:
        return static_cast<float>(InRange(static_cast<double>(low), static_cast<double>(high)));
      case 2:
        return static_cast<float>(Special(static_cast<double>(low), static_cast<double>(high)));
      default:
        return Raw<float>();
    }
  }

  // An int32 in [low, high] most of the time, otherwise any bits.
  std::int32_t Int32(std::int32_t low, std::int32_t high) {
    const std::uint8_t how = Raw<std::uint8_t>();
    const std::int32_t raw = Raw<std::int32_t>();
    if (how % 4 == 3) return raw;
    const std::int64_t span = static_cast<std::int64_t>(high) - low + 1;
    const std::int64_t step = static_cast<std::int64_t>(static_cast<std::uint32_t>(raw)) % span;
    return static_cast<std::int32_t>(low + step);
  }

 private:
  double InRange(double low, double high) {
    // Both ends are reached exactly: 0 gives low, 65535 gives high.
    const double fraction = static_cast<double>(Raw<std::uint16_t>()) / 65535.0;
    return low + (high - low) * fraction;
  }

  double Special(double low, double high) {
    using limits = std::numeric_limits<double>;
    const double values[] = {
        limits::quiet_NaN(),
        -limits::quiet_NaN(),
        limits::infinity(),
        -limits::infinity(),
        0.0,
        -0.0,
        limits::denorm_min(),
        -limits::denorm_min(),
        limits::max(),
        limits::lowest(),
        static_cast<double>(std::numeric_limits<float>::max()),
        static_cast<double>(std::numeric_limits<float>::lowest()),
        static_cast<double>(std::numeric_limits<float>::min()),
        static_cast<double>(std::numeric_limits<float>::denorm_min()),
        low,
        high,
        low - 1.0,
        high + 1.0,
        -high,
        high * 1e12,
        1.0,
        0.5,
        1e-8,
        1.0 - 1e-12,
    };
    return values[Raw<std::uint8_t>() % (sizeof(values) / sizeof(values[0]))];
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

}  // namespace fuzz
