#pragma once
// The image files of assets/, compiled into the program.

#include <span>
#include <string_view>

namespace zorbly::assets {

struct File {
  std::string_view name;  // file name without ".png"
  const unsigned char* data;
  std::size_t size;
};

// Every embedded file, in a fixed order.
const std::span<const File> files();

}  // namespace zorbly::assets
