// zorbly-headless: the game driven by a script, with no window and no SDL.
// What bots and test farms run.

#include "headless/headless_main.h"
#include "session/files.h"

int main(int argc, char** argv) {
  zorbly::guardStandardStreams();
  zorbly::binaryStandardStreams();
  return zorbly::headlessMain({argv + 1, argv + argc}, "zorbly-headless");
}
