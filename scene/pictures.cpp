#include "scene/pictures.h"

#include <algorithm>
#include <string>

#include "assets/embedded.h"
#include "scene/fatal.h"

namespace zorbly {

namespace {

Picture decode(std::string_view name) {
  auto files = assets::files();
  auto file = std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.name == name; });
  if (file == files.end()) throw FatalError("picture " + std::string(name) + " is not built in");
  return decodePng(file->data, file->size, name);
}

}  // namespace

Pictures::Pictures() {
  for (int i = 0; i < pictureCount; ++i) {
    const PictureEntry& entry = pictureTable[i];
    all_[i] = decode(entry.file);
    if (all_[i].width != entry.width || all_[i].height != entry.height) {
      throw FatalError("picture " + std::string(entry.file) + " is " + std::to_string(all_[i].width) +
                       "x" + std::to_string(all_[i].height) + ", not " + std::to_string(entry.width) +
                       "x" + std::to_string(entry.height));
    }
  }
  icon_ = decode("icon");
}

}  // namespace zorbly
