// Scanning page text eight bytes at a time for the bytes that end a field or
// need the console's care: one test per word instead of one per byte.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace byte_scan {

constexpr std::uint64_t ones = 0x0101010101010101u;
constexpr std::uint64_t highs = 0x8080808080808080u;

// Whether words read from memory have their first byte lowest, as the
// positions below assume; elsewhere the scans go a byte at a time.
constexpr bool by_words = std::endian::native == std::endian::little;

inline std::uint64_t word_at(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// The high bit of each byte of `word` that equals `c`. Only the lowest marked
// byte is sure: a borrow may mark bytes above it, which nothing here reads.
inline std::uint64_t bytes_equal(std::uint64_t word, unsigned char c) {
  const std::uint64_t x = word ^ (ones * c);
  return (x - ones) & ~x & highs;
}

// The same for bytes below `c`, which must not exceed 0x80.
inline std::uint64_t bytes_below(std::uint64_t word, unsigned char c) {
  return (word - ones * c) & ~word & highs;
}

// How many bytes lead in a word before the first marked one.
inline std::size_t bytes_before(std::uint64_t marks) {
  return marks == 0 ? 8 : static_cast<std::size_t>(std::countr_zero(marks)) / 8;
}

}  // namespace byte_scan
