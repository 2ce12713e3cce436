#include "observation.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zorbly::python {

// Places in pixels are divided by the field's size, so that the field is
// 0..1; a place may lie off the field, which the bounds allow for.
const std::array<StateEntry, stateSize> stateLayout{{
    {"jikiY", 120, -0.5f, 1.5f},     {"jikiDY", 3, -1, 1},
    {"score", 100, 0, 1},            {"laserX", 120, -0.5f, 1.5f},
    {"laserY", 120, -0.5f, 1.5f},    {"tekiX[0]", 120, -0.5f, 1.5f},
    {"tekiX[1]", 120, -0.5f, 1.5f},  {"tekiX[2]", 120, -0.5f, 1.5f},
    {"tekiY[0]", 120, -0.5f, 1.5f},  {"tekiY[1]", 120, -0.5f, 1.5f},
    {"tekiY[2]", 120, -0.5f, 1.5f},  {"telaX[0]", 120, -0.5f, 1.5f},
    {"telaX[1]", 120, -0.5f, 1.5f},  {"telaX[2]", 120, -0.5f, 1.5f},
    {"telaY[0]", 120, -0.5f, 1.5f},  {"telaY[1]", 120, -0.5f, 1.5f},
    {"telaY[2]", 120, -0.5f, 1.5f},  {"telaDir[0]", 1, -1, 1},
    {"telaDir[1]", 1, -1, 1},        {"telaDir[2]", 1, -1, 1},
    {"kills", 22, 0, 1},             {"stage", 5, 0, 1},
    {"bossY", 120, -0.5f, 1.5f},     {"bossDir", 1, -1, 1},
}};

void writeState(const GameState& st, float* out) {
  const double raw[stateSize] = {
      st.jikiY,      st.jikiDY,     st.score,      st.laserX,     st.laserY,     st.tekiX[0],
      st.tekiX[1],   st.tekiX[2],   st.tekiY[0],   st.tekiY[1],   st.tekiY[2],   st.telaX[0],
      st.telaX[1],   st.telaX[2],   st.telaY[0],   st.telaY[1],   st.telaY[2],   st.telaDir[0],
      st.telaDir[1], st.telaDir[2], st.kills,      st.stage,      st.bossY,      st.bossDir};
  for (int i = 0; i < stateSize; ++i) {
    const StateEntry& e = stateLayout[i];
    out[i] = std::clamp(static_cast<float>(raw[i] / e.scale), e.low, e.high);
  }
}

namespace {

// The plain conversions, one pixel at a time: where nothing faster is.
// Inlined into the faster versions below, which the compiler then vectorises.
[[gnu::always_inline]] inline void rgbPixels(const Pixel* in, int count, std::uint8_t* out) {
  for (int i = 0; i < count; ++i) {
    const Pixel p = in[i];
    out[3 * i] = static_cast<std::uint8_t>(p >> 16);
    out[3 * i + 1] = static_cast<std::uint8_t>(p >> 8);
    out[3 * i + 2] = static_cast<std::uint8_t>(p);
  }
}

// 16-bit arithmetic is enough (at most 256 * 255) and vectorises twice as wide.
[[gnu::always_inline]] inline void grayPixels(const Pixel* in, int count, std::uint8_t* out) {
  for (int i = 0; i < count; ++i) {
    const Pixel p = in[i];
    const std::uint16_t r = static_cast<std::uint8_t>(p >> 16);
    const std::uint16_t g = static_cast<std::uint8_t>(p >> 8);
    const std::uint16_t b = static_cast<std::uint8_t>(p);
    out[i] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(77 * r + 150 * g + 29 * b) >> 8);
  }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

// Sixteen pixels B, G, R, 0 at a time, shuffled into 48 bytes R, G, B: three
// whole 16-byte blocks, each made of the bytes of two groups of four pixels.
// They are written past the cache (streaming stores): the observations of
// many games do not fit in it, and reading each line in before overwriting
// it would double the memory traffic. `out` must be 16-byte aligned.
[[gnu::target("ssse3")]] void rgbSsse3(const Pixel* in, std::uint8_t* out) {
  const __m128i a0 = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  const __m128i b0 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 1, 0, 6);
  const __m128i b1 = _mm_setr_epi8(5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i c1 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 2, 1, 0, 6, 5, 4, 10, 9);
  const __m128i c2 = _mm_setr_epi8(8, 14, 13, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i d2 = _mm_setr_epi8(-1, -1, -1, -1, 2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12);
  static_assert(fieldPixels % 16 == 0);
  auto* to = reinterpret_cast<__m128i*>(out);
  for (int i = 0; i < fieldPixels; i += 16, to += 3) {
    const auto* from = reinterpret_cast<const __m128i*>(in + i);
    const __m128i a = _mm_loadu_si128(from), b = _mm_loadu_si128(from + 1);
    const __m128i c = _mm_loadu_si128(from + 2), d = _mm_loadu_si128(from + 3);
    _mm_stream_si128(to, _mm_or_si128(_mm_shuffle_epi8(a, a0), _mm_shuffle_epi8(b, b0)));
    _mm_stream_si128(to + 1, _mm_or_si128(_mm_shuffle_epi8(b, b1), _mm_shuffle_epi8(c, c1)));
    _mm_stream_si128(to + 2, _mm_or_si128(_mm_shuffle_epi8(c, c2), _mm_shuffle_epi8(d, d2)));
  }
  _mm_sfence();
}

[[gnu::target("avx2")]] void grayAvx2(const Pixel* in, std::uint8_t* out) {
  grayPixels(in, fieldPixels, out);
}

const bool hasSsse3 = __builtin_cpu_supports("ssse3");
const bool hasAvx2 = __builtin_cpu_supports("avx2");

#else

constexpr bool hasSsse3 = false, hasAvx2 = false;
void rgbSsse3(const Pixel*, std::uint8_t*) {}
void grayAvx2(const Pixel*, std::uint8_t*) {}

#endif

}  // namespace

void writeRgb(const Framebuffer& field, std::uint8_t* out) {
  if (hasSsse3 && reinterpret_cast<std::uintptr_t>(out) % 16 == 0) return rgbSsse3(field.data(), out);
  rgbPixels(field.data(), fieldPixels, out);
}

void writeGray(const Framebuffer& field, std::uint8_t* out) {
  if (hasAvx2) return grayAvx2(field.data(), out);
  grayPixels(field.data(), fieldPixels, out);
}

}  // namespace zorbly::python
