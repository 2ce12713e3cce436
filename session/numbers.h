#pragma once
// Numbers as the headless output writes them: the shortest decimal form that
// reads back as the same value, as std::to_chars writes it (119.5, 120,
// -1.1, 1e+20). Where the standard library has no floating-point to_chars
// (the browser build's), printf-based code gives the same characters.

#include <string>

namespace zorbly {

void appendNumber(std::string& out, double v);
void appendNumber(std::string& out, float v);  // single precision: 0.42450786
void appendNumber(std::string& out, long long v);

// The printf-based way, on every platform; the test holds it to to_chars.
void appendNumberPortably(std::string& out, double v);
void appendNumberPortably(std::string& out, float v);

}  // namespace zorbly
