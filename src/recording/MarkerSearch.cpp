#include "recording/MarkerSearch.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

inline bool isPair(const std::uint8_t* p) { return p[0] == 0xFF && (p[1] & 0xFE) == 0xD8; }

#if defined(__SSE2__)
// Bit k set when the pair starting at p[k] is FF D8 or FF D9; reads p[0] through p[16].
inline unsigned pairMask16(const std::uint8_t* p) {
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
  const __m128i isFF = _mm_cmpeq_epi8(first, _mm_set1_epi8(static_cast<char>(0xFF)));
  const __m128i isD8orD9 = _mm_cmpeq_epi8(_mm_and_si128(second, _mm_set1_epi8(static_cast<char>(0xFE))),
                                          _mm_set1_epi8(static_cast<char>(0xD8)));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(isFF, isD8orD9)));
}
#endif

#if defined(__x86_64__)
// The forward walk is the hot one: where the processor has AVX2, 64 bytes a step.
__attribute__((target("avx2"))) inline std::uint32_t pairMask32(const std::uint8_t* p) {
  const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
  const __m256i isFF = _mm256_cmpeq_epi8(first, _mm256_set1_epi8(static_cast<char>(0xFF)));
  const __m256i isD8orD9 = _mm256_cmpeq_epi8(_mm256_and_si256(second, _mm256_set1_epi8(static_cast<char>(0xFE))),
                                             _mm256_set1_epi8(static_cast<char>(0xD8)));
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(isFF, isD8orD9)));
}

// The first pair in [j, to) within whole steps of 64, or -1; j is left where it stopped.
__attribute__((target("avx2"))) std::int64_t nextPairAvx2(const std::uint8_t* buf, std::int64_t& j, std::int64_t to) {
  for (; j + 64 <= to; j += 64) {
    const std::uint64_t m = pairMask32(buf + j) | (std::uint64_t{pairMask32(buf + j + 32)} << 32);
    if (m != 0) return j + __builtin_ctzll(m);
  }
  return -1;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

std::int64_t NextMarkerPair(const std::uint8_t* buf, std::int64_t from, std::int64_t to) {
  std::int64_t j = from;
#if defined(__x86_64__)
  if (kHasAvx2) {
    if (const std::int64_t found = nextPairAvx2(buf, j, to); found >= 0) return found;
  }
#endif
#if defined(__SSE2__)
  for (; j + 32 <= to; j += 32) {
    const unsigned low = pairMask16(buf + j);
    const unsigned high = pairMask16(buf + j + 16);
    if ((low | high) != 0) return j + __builtin_ctz(low | (high << 16));
  }
  for (; j + 16 <= to; j += 16) {
    if (const unsigned m = pairMask16(buf + j)) return j + __builtin_ctz(m);
  }
#endif
  for (; j < to; ++j)
    if (isPair(buf + j)) return j;
  return to;
}

std::int64_t PrevMarkerPair(const std::uint8_t* buf, std::int64_t to) {
  std::int64_t end = to;  // pairs below `end` remain to be examined
#if defined(__SSE2__)
  for (; end >= 32; end -= 32) {
    const unsigned low = pairMask16(buf + end - 32);
    const unsigned high = pairMask16(buf + end - 16);
    if (const unsigned m = low | (high << 16)) return end - 32 + (31 - __builtin_clz(m));
  }
#endif
  for (std::int64_t j = end - 1; j >= 0; --j)
    if (isPair(buf + j)) return j;
  return -1;
}
