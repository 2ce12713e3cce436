#include "session/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zorbly {

namespace {

template <typename T>
T readBack(const char* text) {
  if constexpr (sizeof(T) == sizeof(float)) {
    return std::strtof(text, nullptr);
  } else {
    return std::strtod(text, nullptr);
  }
}

// The shortest form of a finite nonzero v: the fewest significant digits
// that read back as v, then written plainly or with an exponent, whichever is
// shorter (plainly on a tie), as to_chars does.
template <typename T>
void appendShortestFinite(std::string& out, T v) {
  char scientific[48];
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(scientific, sizeof scientific, "%.*e", digits - 1, static_cast<double>(v));
    if (readBack<T>(scientific) == v) break;
  }
  // scientific: [-]d[.ddd]e(+|-)XX
  const char* e = std::strchr(scientific, 'e');
  const int exponent = std::atoi(e + 1);
  const bool negative = scientific[0] == '-';
  std::string mantissa;  // the significant digits alone
  for (const char* p = scientific + (negative ? 1 : 0); p < e; ++p) {
    if (*p != '.') mantissa += *p;
  }
  std::string plain = negative ? "-" : "";
  const int length = static_cast<int>(mantissa.size());
  if (exponent >= length - 1) {
    // A whole number: written with all its digits, exactly, as to_chars does.
    char whole[400];
    std::snprintf(whole, sizeof whole, "%.0f", static_cast<double>(v));
    plain = whole;
  } else if (exponent >= 0) {
    plain += mantissa.substr(0, static_cast<std::size_t>(exponent) + 1);
    plain += '.';
    plain += mantissa.substr(static_cast<std::size_t>(exponent) + 1);
  } else {
    plain += "0.";
    plain.append(static_cast<std::size_t>(-exponent - 1), '0');
    plain += mantissa;
  }
  const std::size_t scientificLength = std::strlen(scientific);
  out += plain.size() <= scientificLength ? plain : std::string(scientific);
}

template <typename T>
void appendPortably(std::string& out, T v) {
  if (std::isnan(v)) {
    out += std::signbit(v) ? "-nan" : "nan";
  } else if (std::isinf(v)) {
    out += v < 0 ? "-inf" : "inf";
  } else if (v == 0) {
    out += std::signbit(v) ? "-0" : "0";
  } else {
    appendShortestFinite(out, v);
  }
}

template <typename T>
void appendShortest(std::string& out, T v) {
#if defined(__cpp_lib_to_chars)
  char buffer[48];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  out.append(buffer, end);
#else
  appendPortably(out, v);
#endif
}

}  // namespace

void appendNumber(std::string& out, double v) { appendShortest(out, v); }
void appendNumber(std::string& out, float v) { appendShortest(out, v); }
void appendNumber(std::string& out, long long v) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  out.append(buffer, end);
}

void appendNumberPortably(std::string& out, double v) { appendPortably(out, v); }
void appendNumberPortably(std::string& out, float v) { appendPortably(out, v); }

}  // namespace zorbly
