// Golden games: recorded games played again frame by frame must show the
// same pictures, frame for frame, and end in the same state. The pictures
// are the same on every machine (the font is baked in), so they are exact.
// ZORBLY_UPDATE_GOLDEN=1 writes the expected files anew (tests/golden/README.md).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scene/png.h"
#include "session/session.h"
#include "support/golden.h"
#include "support/run_program.h"
#include "testkit/fixture.h"

namespace zorbly::testing {
namespace {

std::uint64_t fingerprint(const Framebuffer& fb) {
  std::uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a
  for (Pixel p : fb) {
    for (int byte = 0; byte < 3; ++byte) {
      h ^= (p >> (8 * byte)) & 0xFF;
      h *= 0x100000001b3ull;
    }
  }
  return h;
}

std::string hex(std::uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

struct Played {
  std::vector<std::string> frames;  // the fingerprint of each frame's picture
  Framebuffer last{};
  std::string state;
};

// Plays the script as the headless program does, but one frame at a time.
Played play(const std::string& name) {
  Played p;
  const std::string text = slurp(goldenDir + "/" + name + ".script");
  StringSource in(text);
  ScriptReader reader(in);
  Session s(assets());
  while (auto c = reader.next()) {
    if (c->kind == Command::Kind::tick) {
      for (std::uint64_t i = 0; i < c->number && s.running(); ++i) {
        s.apply({Command::Kind::tick, 1, {}});
        p.frames.push_back(hex(fingerprint(s.picture())));
      }
    } else {
      s.apply(*c);
    }
    if (s.ended()) break;
  }
  EXPECT_FALSE(reader.badLine()) << name << ": " << reader.badLine()->reason;
  p.last = s.picture();
  appendStateLine(p.state, s.state(), s.interval());
  return p;
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, PlaysAgainFrameForFrame) {
  const std::string name = GetParam(), base = goldenDir + "/" + name;
  const Played p = play(name);
  if (std::getenv("ZORBLY_UPDATE_GOLDEN")) {
    std::ofstream frames(base + ".frames");
    for (const std::string& f : p.frames) frames << f << '\n';
    spit(base + ".state", p.state);
    spit(base + ".png", encodePng(p.last));
    GTEST_SKIP() << "wrote " << base << ".{frames,state,png}";
  }

  std::vector<std::string> expected;
  std::istringstream frames(slurp(base + ".frames"));
  for (std::string line; std::getline(frames, line);) expected.push_back(line);
  for (std::size_t i = 0; i < std::min(expected.size(), p.frames.size()); ++i) {
    if (expected[i] != p.frames[i]) {
      ADD_FAILURE() << name << ": frame " << i + 1 << " is the first whose picture differs";
      break;
    }
  }
  EXPECT_EQ(p.frames.size(), expected.size()) << name << ": frames played";

  const std::string png = slurp(base + ".png");
  const Image want = decodePng(reinterpret_cast<const unsigned char*>(png.data()), png.size(), name);
  ASSERT_EQ(want.pixels.size(), p.last.size());
  int differ = 0;
  for (std::size_t i = 0; i < p.last.size(); ++i) differ += want.pixels[i] != p.last[i];
  EXPECT_EQ(differ, 0) << name << ": pixels of the last frame that differ from " << name << ".png";
  EXPECT_EQ(p.state, slurp(base + ".state")) << name;
}

INSTANTIATE_TEST_SUITE_P(Games, Golden, ::testing::ValuesIn(goldenGames()));

}  // namespace
}  // namespace zorbly::testing
