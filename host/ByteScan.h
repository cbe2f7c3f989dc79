// Searches of byte ranges for the few bytes that the XML text layer stops at:
// sixteen bytes at a time where the processor has SSE2 (every x86-64), a byte
// at a time elsewhere. Each returns the offset of the first byte found in
// [from, size) of `data`, or `size` when there is none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace compoundparser {

#if defined(__SSE2__)
namespace byte_scan {

inline __m128i Load16(const char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The bytes below 0x20 other than tab, line feed and carriage return.
inline int ControlMask(__m128i x) {
  const __m128i below = _mm_andnot_si128(_mm_cmplt_epi8(x, _mm_setzero_si128()),
                                         _mm_cmplt_epi8(x, _mm_set1_epi8(0x20)));
  const __m128i allowed = _mm_or_si128(
      _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('\t')), _mm_cmpeq_epi8(x, _mm_set1_epi8('\n'))),
      _mm_cmpeq_epi8(x, _mm_set1_epi8('\r')));
  return _mm_movemask_epi8(_mm_andnot_si128(allowed, below));
}

}  // namespace byte_scan
#endif

// The first byte equal to `a`, `b` or `c`.
inline size_t FindAnyOf3(const char* data, size_t from, size_t size, char a, char b, char c) {
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a);
  const __m128i vb = _mm_set1_epi8(b);
  const __m128i vc = _mm_set1_epi8(c);
  for (; from + 16 <= size; from += 16) {
    const __m128i x = byte_scan::Load16(data + from);
    const int mask = _mm_movemask_epi8(_mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb)), _mm_cmpeq_epi8(x, vc)));
    if (mask != 0) return from + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  while (from < size && data[from] != a && data[from] != b && data[from] != c) ++from;
  return from;
}

// The first byte equal to `a`.
inline size_t FindByte(const char* data, size_t from, size_t size, char a) {
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a);
  for (; from + 16 <= size; from += 16) {
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(byte_scan::Load16(data + from), va));
    if (mask != 0) return from + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  while (from < size && data[from] != a) ++from;
  return from;
}

// The first byte above 0x7F (a byte of a multi-byte character).
inline size_t FindHighByte(const char* data, size_t from, size_t size) {
#if defined(__SSE2__)
  for (; from + 16 <= size; from += 16) {
    const int mask = _mm_movemask_epi8(byte_scan::Load16(data + from));
    if (mask != 0) return from + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  while (from < size && static_cast<unsigned char>(data[from]) < 0x80) ++from;
  return from;
}

// The first byte below 0x20 other than tab, line feed and carriage return: a
// character that XML 1.0 cannot hold.
inline size_t FindControlByte(const char* data, size_t from, size_t size) {
#if defined(__SSE2__)
  for (; from + 16 <= size; from += 16) {
    const int mask = byte_scan::ControlMask(byte_scan::Load16(data + from));
    if (mask != 0) return from + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; from < size; ++from) {
    const unsigned char c = static_cast<unsigned char>(data[from]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
  }
  return from;
}

// The first byte that is above 0x7F or a control character as FindControlByte
// finds them: text without either needs neither a UTF-8 nor a character check.
inline size_t FindControlOrHighByte(const char* data, size_t from, size_t size) {
#if defined(__SSE2__)
  for (; from + 16 <= size; from += 16) {
    const __m128i x = byte_scan::Load16(data + from);
    const int high = _mm_movemask_epi8(x);
    const int control = byte_scan::ControlMask(x);
    if ((high | control) != 0) {
      return from + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(high | control)));
    }
  }
#endif
  for (; from < size; ++from) {
    const unsigned char c = static_cast<unsigned char>(data[from]);
    if (c >= 0x80 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r')) break;
  }
  return from;
}

namespace byte_scan {

// The bytes that IsPlainXmlText takes, for its last few bytes.
struct PlainTextBytes {
  bool of[256] = {};
  constexpr PlainTextBytes() {
    for (int c = 0x20; c < 0x80; ++c) of[c] = c != '&' && c != '<' && c != '>';
  }
};
inline constexpr PlainTextBytes kPlainTextBytes{};

}  // namespace byte_scan

namespace byte_scan {

inline constexpr uint64_t kOnes = 0x0101010101010101ull;
inline constexpr uint64_t kHighs = 0x8080808080808080ull;

// Tells whether none of the eight bytes of `word` stops IsPlainXmlText.
inline bool IsPlainWord(uint64_t word) {
  if ((word & kHighs) != 0) return false;
  // A byte below 0x20 (no byte is above 0x7F here).
  if (((word - 0x20 * kOnes) & ~word & kHighs) != 0) return false;
  // '&', and '<' or '>' (the bytes that are 0x3E with bit 1 set).
  const uint64_t amp = word ^ ('&' * kOnes);
  const uint64_t angle = (word | 0x02 * kOnes) ^ ('>' * kOnes);
  return ((((amp - kOnes) & ~amp) | ((angle - kOnes) & ~angle)) & kHighs) == 0;
}

// Tells whether all eight bytes of `word` are printable ASCII (0x20 to 0x7E).
inline bool IsPrintableWord(uint64_t word) {
  if ((word & kHighs) != 0) return false;
  const uint64_t del = word ^ (0x7F * kOnes);  // a zero byte where 0x7F stood
  return (((word - 0x20 * kOnes) & ~word & kHighs) | ((del - kOnes) & ~del & kHighs)) == 0;
}

// Tells whether every byte of `data` passes: eight bytes at a time through
// `wordTest`, the last eight (or the first and last four) overlapping the
// others; fewer than four one by one through `byteTest`. Values and names are
// short, so no block loads.
template <class WordTest, class ByteTest>
inline bool EveryByte(const char* data, size_t size, WordTest wordTest, ByteTest byteTest) {
  uint64_t word;
  if (size >= 8) {
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      std::memcpy(&word, data + i, 8);
      if (!wordTest(word)) return false;
    }
    if (i == size) return true;
    std::memcpy(&word, data + size - 8, 8);
    return wordTest(word);
  }
  if (size >= 4) {
    uint32_t first;
    uint32_t last;
    std::memcpy(&first, data, 4);
    std::memcpy(&last, data + size - 4, 4);
    return wordTest(first | static_cast<uint64_t>(last) << 32);
  }
  for (size_t i = 0; i < size; ++i) {
    if (!byteTest(static_cast<unsigned char>(data[i]))) return false;
  }
  return true;
}

}  // namespace byte_scan

// Tells whether every byte of `data` is written as it is in saved element
// text and needs no check: printable ASCII (0x20 to 0x7F) other than '&', '<'
// and '>'.
inline bool IsPlainXmlText(const char* data, size_t size) {
  return byte_scan::EveryByte(data, size, byte_scan::IsPlainWord,
                              [](unsigned char c) { return byte_scan::kPlainTextBytes.of[c]; });
}

// Tells whether every byte of `data` is printable ASCII (0x20 to 0x7E), as
// the names of elements mostly are.
inline bool IsPrintableAscii(const char* data, size_t size) {
  return byte_scan::EveryByte(data, size, byte_scan::IsPrintableWord,
                              [](unsigned char c) { return c >= 0x20 && c < 0x7F; });
}

}  // namespace compoundparser
