// Installing the game: cmake --install puts the program, its menu entry and
// its icon in place; the Windows icon matches the window's icon; the Windows
// resource script compiles (with mingw's windres, where it is installed) to
// the icon and the version record.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "zorbly_version.h"

#include "testkit/fixture.h"
#include "support/run_program.h"

namespace {

namespace fs = std::filesystem;

const fs::path source = ZORBLY_SOURCE_DIR;
const fs::path build = ZORBLY_BUILD_DIR;

using zorbly::testing::slurp;

std::string onPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const fs::path p = fs::path(dir.empty() ? "." : dir) / name;
    if (::access(p.c_str(), X_OK) == 0) return p.string();
  }
  return {};
}

// Runs a shell command with its output in `output`; returns the exit status.
int run(const std::string& command, std::string& output) {
  const fs::path log = fs::temp_directory_path() / ("zorbly-packaging-" + std::to_string(::getpid()) + ".log");
  const int raw = std::system((command + " >'" + log.string() + "' 2>&1").c_str());
  output = slurp(log);
  fs::remove(log);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::map<std::string, std::string> desktopEntry(const fs::path& file) {
  std::map<std::string, std::string> keys;
  std::istringstream in(slurp(file));
  std::string line, group;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      group = line;
      continue;
    }
    const auto eq = line.find('=');
    if (group == "[Desktop Entry]" && eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return keys;
}

TEST(Packaging, DesktopEntry) {
  const fs::path file = source / "packaging" / "zorbly.desktop";
  auto keys = desktopEntry(file);
  EXPECT_EQ(keys["Type"], "Application");
  EXPECT_EQ(keys["Name"], "Zorbly");
  EXPECT_EQ(keys["Icon"], "zorbly");
  EXPECT_EQ(keys["Exec"].rfind("zorbly", 0), 0u) << keys["Exec"];
  EXPECT_EQ(keys["Terminal"], "false");
  EXPECT_NE(keys["Categories"].find("Game;"), std::string::npos);

  const std::string validate = onPath("desktop-file-validate");
  if (validate.empty()) GTEST_SKIP() << "desktop-file-validate is not installed; the keys above were checked";
  std::string output;
  EXPECT_EQ(run("'" + validate + "' '" + file.string() + "'", output), 0) << output;
  EXPECT_EQ(output, "");
}

std::uint32_t little(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
  return v;
}

TEST(Packaging, WindowsIconIsTheWindowIcon) {
  const std::string ico = slurp(source / "packaging" / "windows" / "zorbly.ico");
  ASSERT_GE(ico.size(), 22u);
  EXPECT_EQ(little(ico, 0, 2), 0u);
  EXPECT_EQ(little(ico, 2, 2), 1u) << "an icon file";
  // 16, 24, 32, 48 and 64 pixels as 16-colour bitmaps, 256 as a PNG.
  ASSERT_EQ(little(ico, 4, 2), 6u) << "six pictures";
  const int sizes[] = {16, 24, 32, 48, 64, 256};
  std::size_t at = 0, length = 0;
  for (int i = 0; i < 6; ++i) {
    const std::size_t entry = 6 + 16 * i;
    EXPECT_EQ(static_cast<unsigned char>(ico[entry]), sizes[i] % 256) << i;
    EXPECT_EQ(static_cast<unsigned char>(ico[entry + 1]), sizes[i] % 256) << i;
    EXPECT_EQ(little(ico, entry + 6, 2), sizes[i] < 256 ? 4u : 32u) << i;
    ASSERT_LE(little(ico, entry + 12, 4) + little(ico, entry + 8, 4), ico.size()) << i;
    if (sizes[i] == 32) at = little(ico, entry + 12, 4), length = little(ico, entry + 8, 4);
  }
  EXPECT_EQ(ico.substr(little(ico, 6 + 16 * 5 + 12, 4), 4), "\x89PNG");
  // BITMAPINFOHEADER, 16 palette entries, the 4-bit picture bottom-up, the mask.
  ASSERT_EQ(little(ico, at, 4), 40u);
  EXPECT_EQ(little(ico, at + 4, 4), 32u);
  EXPECT_EQ(little(ico, at + 8, 4), 64u);
  EXPECT_EQ(little(ico, at + 14, 2), 4u);
  const std::size_t palette = at + 40, bits = palette + 16 * 4, mask = bits + 32 * 16;
  ASSERT_EQ(length, mask + 32 * 4 - at);

  const zorbly::Picture& icon = zorbly::testing::assets().pictures.icon();
  ASSERT_EQ(icon.width, 32);
  ASSERT_EQ(icon.height, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const auto byte = static_cast<unsigned char>(ico[bits + (31 - y) * 16 + x / 2]);
      const int index = x % 2 ? byte & 0xF : byte >> 4;
      const std::size_t entry = palette + index * 4;  // blue, green, red, 0
      const zorbly::Pixel want = icon.pixels[y * 32 + x];
      ASSERT_EQ(static_cast<unsigned char>(ico[entry + 2]), want >> 16 & 0xFF) << x << "," << y;
      ASSERT_EQ(static_cast<unsigned char>(ico[entry + 1]), want >> 8 & 0xFF) << x << "," << y;
      ASSERT_EQ(static_cast<unsigned char>(ico[entry]), want & 0xFF) << x << "," << y;
      ASSERT_EQ(ico[mask + (31 - y) * 4 + x / 8] & (0x80 >> (x % 8)), 0) << "opaque at " << x << "," << y;
    }
  }
}

TEST(Packaging, WindowsResourcesCompileWithWindres) {
  const std::string windres = onPath("x86_64-w64-mingw32-windres");
  if (windres.empty()) GTEST_SKIP() << "x86_64-w64-mingw32-windres is not installed (Debian: binutils-mingw-w64-x86-64)";
  // windres preprocesses with mingw's gcc; without it, the system's C preprocessor does.
  std::string preprocessor;
  if (onPath("x86_64-w64-mingw32-gcc").empty()) {
    if (onPath("cpp").empty()) GTEST_SKIP() << "no C preprocessor for windres";
    preprocessor = " --preprocessor=cpp";
  }
  const fs::path rc = build / "packaging" / "windows" / "zorbly.rc";
  const fs::path res = fs::temp_directory_path() / ("zorbly-" + std::to_string(::getpid()) + ".res");
  std::string output;
  ASSERT_EQ(run("'" + windres + "'" + preprocessor + " -i '" + rc.string() + "' -O res -o '" + res.string() + "'",
                output),
            0)
      << output;
  // Read back as a resource script: what a Windows build carries.
  std::string text;
  ASSERT_EQ(run("'" + windres + "' -i '" + res.string() + "' -O rc", text), 0) << text;
  fs::remove(res);
  const std::string version = ZORBLY_VERSION, numeric = ZORBLY_VERSION_NUMERIC;
  const std::vector<std::string> wants = {
      "FILEVERSION " + numeric, "PRODUCTVERSION " + numeric, "BLOCK \"041104B0\"",
      "VALUE \"FileVersion\", \"" + version + "\"", "VALUE \"ProductVersion\", \"" + version + "\"",
      "VALUE \"ProductName\", \"Zorbly\"", "VALUE \"InternalName\", \"zorbly\"",
      "VALUE \"OriginalFilename\", \"zorbly.exe\"", "VALUE \"Translation\", 0x411, 1200", "RT_GROUP_ICON"};
  for (const std::string& want : wants) {
    EXPECT_NE(text.find(want), std::string::npos) << "no " << want << " in\n" << text;
  }
}

TEST(Packaging, CmakeInstallPutsProgramEntryAndIconInPlace) {
  const fs::path prefix = fs::temp_directory_path() / ("zorbly-install-" + std::to_string(::getpid()));
  fs::remove_all(prefix);
  std::string output;
  ASSERT_EQ(run("'" CMAKE_COMMAND "' --install '" + build.string() + "' --prefix '" + prefix.string() + "'", output),
            0)
      << output;
  const fs::path program = prefix / "bin" / "zorbly";
  EXPECT_EQ(::access(program.c_str(), X_OK), 0) << output;
  EXPECT_EQ(::access((prefix / "bin" / "zorbly-headless").c_str(), X_OK), 0) << output;
  const fs::path entry = prefix / "share" / "applications" / "zorbly.desktop";
  EXPECT_EQ(slurp(entry), slurp(source / "packaging" / "zorbly.desktop")) << output;
  const fs::path icon = prefix / "share" / "icons" / "hicolor" / "32x32" / "apps" / "zorbly.png";
  EXPECT_EQ(slurp(icon), slurp(source / "assets" / "icon.png")) << output;
  EXPECT_FALSE(slurp(icon).empty());

  std::string version;
  EXPECT_EQ(run("'" + program.string() + "' --version", version), 0);
  EXPECT_EQ(version, "Zorbly " ZORBLY_VERSION "\n");
  fs::remove_all(prefix);
}

}  // namespace
