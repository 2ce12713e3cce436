#pragma once
// Pictures for the window tests beyond what X gives: PNG files read back
// (the game's own shots) and written (screenshots), with the game's own PNG
// code; the field as it should look scaled and placed; and the first pixel
// where two pictures differ.

#include <string>

#include "support/xsession.h"

namespace zorbly::testing {

// The pixels of a PNG file; invalid if it cannot be read.
Image loadPng(const std::string& path);

// Writes the picture as a PNG file; false if it cannot be written.
bool savePng(const Image& image, const std::string& path);

// A width x height picture of black with `field` drawn at (left, top), each
// of its pixels as a scale x scale block.
Image placed(const Image& field, int scale, int left, int top, int width, int height);

// "" when the pictures are the same, else where and how they first differ.
std::string difference(const Image& got, const Image& want);

}  // namespace zorbly::testing
