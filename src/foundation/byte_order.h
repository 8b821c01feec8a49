// Network byte order (most significant byte first) for 16-bit values such as
// ports, independent of the host's order.
#pragma once

#include <bit>
#include <cstdint>

constexpr uint16_t SwapBytes16(uint16_t v) { return uint16_t((v >> 8) | (v << 8)); }
constexpr uint16_t HostToNetwork16(uint16_t v) { return std::endian::native == std::endian::big ? v : SwapBytes16(v); }
constexpr uint16_t NetworkToHost16(uint16_t v) { return HostToNetwork16(v); }
