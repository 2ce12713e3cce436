// zorbly.exe read back as a file: the version record and the icon that
// Explorer shows (icoutils' wrestool), and what it needs to run: a windowed
// program of at most 4 MB that imports only DLLs every Windows has.

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "wine_desktop.h"
#include "zorbly_version.h"

namespace {

using std::chrono::seconds;
using zorbly::testing::readFile;

class WindowsExe : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = zorbly::testing::executable();
    if (exe_.empty()) GTEST_SKIP() << zorbly::testing::notSet;
    dir_ = zorbly::testing::outputDir();
  }

  // What `argv` writes on standard output; fails the test if it fails.
  std::string output(const std::vector<std::string>& argv) {
    const std::string file = dir_ + "/output";
    const auto status = zorbly::testing::runToEnd(argv, zorbly::testing::environmentWithout({}), file, seconds(30));
    EXPECT_TRUE(status && status->ok()) << argv.front() << ": " << readFile(file + ".err");
    return readFile(file);
  }

  // The raw bytes of the resource of `type` (3 icon, 14 icon group, 16 version).
  // With `name`, that resource alone.
  std::string resource(int type, int name = 0) {
    std::vector<std::string> argv = {zorbly::testing::findOnPath("wrestool"), "-x", "--raw",
                                     "--type=" + std::to_string(type)};
    if (name) argv.push_back("--name=" + std::to_string(name));
    argv.push_back(exe_);
    return output(argv);
  }

  std::string exe_, dir_;
};

std::uint32_t little(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
  return v;
}

// One node of a version record: key, value and children.
struct VersionNode {
  std::string key;    // ASCII keys only, as ours are
  std::string value;  // bytes; text values as UTF-16 made ASCII
  std::map<std::string, VersionNode> children;
};

// Reads the node at `at` (wLength, wValueLength, wType, key, value, children,
// each 32-bit aligned), as <winver.h>'s VS_VERSIONINFO lays them out.
VersionNode readNode(const std::string& b, std::size_t at) {
  const auto align = [](std::size_t n) { return (n + 3) & ~std::size_t{3}; };
  const std::size_t end = at + little(b, at, 2), valueLength = little(b, at + 2, 2);
  const bool text = little(b, at + 4, 2) == 1;
  VersionNode node;
  std::size_t p = at + 6;
  for (; little(b, p, 2) != 0; p += 2) node.key += static_cast<char>(little(b, p, 2));
  p = align(p + 2);
  if (text) {
    for (std::size_t i = 0; i < valueLength && little(b, p + 2 * i, 2) != 0; ++i)
      node.value += static_cast<char>(little(b, p + 2 * i, 2));
    p = align(p + 2 * valueLength);
  } else {
    node.value = b.substr(p, valueLength);
    p = align(p + valueLength);
  }
  while (p < end) {
    VersionNode child = readNode(b, p);
    p = align(p + little(b, p, 2));
    node.children[child.key] = std::move(child);
  }
  return node;
}

TEST_F(WindowsExe, CarriesItsVersionRecord) {
  const std::string record = resource(16);
  ASSERT_GE(record.size(), 92u) << "no version record";
  const VersionNode root = readNode(record, 0);
  EXPECT_EQ(root.key, "VS_VERSION_INFO");
  // VS_FIXEDFILEINFO: signature, struct version, file and product version
  // MAJOR.MINOR.PATCH.0 (1.0.0.0) from project(VERSION).
  const std::uint32_t high = (ZORBLY_VERSION_MAJOR << 16) | ZORBLY_VERSION_MINOR, low = ZORBLY_VERSION_PATCH << 16;
  ASSERT_EQ(root.value.size(), 52u);
  EXPECT_EQ(little(root.value, 0, 4), 0xFEEF04BDu);
  EXPECT_EQ(little(root.value, 8, 4), high) << "file version major.minor";
  EXPECT_EQ(little(root.value, 12, 4), low) << "file version patch.0";
  EXPECT_EQ(little(root.value, 16, 4), high) << "product version major.minor";
  EXPECT_EQ(little(root.value, 20, 4), low) << "product version patch.0";
  EXPECT_EQ(little(root.value, 36, 4), 1u) << "an application";

  ASSERT_TRUE(root.children.contains("StringFileInfo"));
  const auto& tables = root.children.at("StringFileInfo").children;
  ASSERT_TRUE(tables.contains("041104B0")) << "a table for Japanese, Unicode";
  const auto& strings = tables.at("041104B0").children;
  const std::map<std::string, std::string> want = {
      {"FileVersion", ZORBLY_VERSION},   {"ProductVersion", ZORBLY_VERSION},        {"ProductName", "Zorbly"},
      {"FileDescription", "Zorbly"}, {"OriginalFilename", "zorbly.exe"}, {"InternalName", "zorbly"}};
  for (const auto& [key, value] : want) {
    ASSERT_TRUE(strings.contains(key)) << key;
    EXPECT_EQ(strings.at(key).value, value) << key;
  }
  ASSERT_TRUE(root.children.contains("VarFileInfo"));
  const auto& translation = root.children.at("VarFileInfo").children;
  ASSERT_TRUE(translation.contains("Translation"));
  EXPECT_EQ(translation.at("Translation").value, std::string("\x11\x04\xB0\x04", 4)) << "0x0411, 1200";
}

// The icon is packaging/windows/zorbly.ico: each of its pictures (16 to 256
// pixels), and its directory with the pictures' resource numbers in place of
// their offsets.
TEST_F(WindowsExe, CarriesTheIcon) {
  const std::string ico = readFile(std::string(ZORBLY_SOURCE_DIR) + "/packaging/windows/zorbly.ico");
  const std::size_t count = little(ico, 4, 2);
  ASSERT_EQ(count, 6u);
  std::string group = ico.substr(0, 6);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * i, size = little(ico, entry + 8, 4), at = little(ico, entry + 12, 4);
    EXPECT_EQ(resource(3, static_cast<int>(i + 1)), ico.substr(at, size)) << "picture " << i + 1 << " differs";
    group += ico.substr(entry, 12) + std::string(1, static_cast<char>(i + 1)) + std::string(1, '\0');
  }
  EXPECT_EQ(resource(14), group) << "the icon group differs";
}

// `zorbly.exe --headless` writes what zorbly-headless writes on Linux, byte
// for byte: every service call of a whole golden game, its state, its picture,
// and the line that stops it.
TEST_F(WindowsExe, HeadlessOutputIsTheSameAsOnLinux) {
  const std::string game = readFile(std::string(ZORBLY_GOLDEN_DIR) + "/ending.script");
  struct Run {
    std::string out, err, png;
    int status = -1;
  } linux, windows;
  for (Run* run : {&linux, &windows}) {
    const std::string name = dir_ + (run == &linux ? "/linux" : "/windows");
    std::ofstream(name + ".script", std::ios::binary) << game << "state\nshot " << name << ".png\njump\n";
    std::vector<std::string> argv = {ZORBLY_HEADLESS_EXE, "--script", name + ".script"};
    if (run == &windows) argv = zorbly::testing::wineCommand({exe_, "--headless", "--script", name + ".script"});
    const auto status = zorbly::testing::runToEnd(argv, zorbly::testing::environmentWithout({}), name + ".txt", seconds(30));
    ASSERT_TRUE(status && status->exited) << name;
    *run = {readFile(name + ".txt"), readFile(name + ".txt.err"), readFile(name + ".png"), status->code};
  }
  EXPECT_EQ(windows.status, 2);
  EXPECT_EQ(windows.status, linux.status);
  EXPECT_EQ(windows.err, "zorbly: line 777: unknown command 'jump'\n");
  EXPECT_EQ(windows.err, linux.err);
  EXPECT_GT(std::count(windows.out.begin(), windows.out.end(), '\n'), 30000);
  EXPECT_TRUE(windows.out == linux.out) << "the standard output differs";
  EXPECT_TRUE(!windows.png.empty() && windows.png == linux.png) << "the shot differs";
}

// One file that runs on any 64-bit Windows: a windowed program, no DLL
// beside the system's own, and small.
TEST_F(WindowsExe, IsOneSmallWindowedProgram) {
  const std::string headers = output({zorbly::testing::findOnPath("x86_64-w64-mingw32-objdump"), "-p", exe_});
  EXPECT_NE(headers.find("(Windows GUI)"), std::string::npos) << "not a windowed program";
  // Shipped with every Windows since 7.
  const std::set<std::string> system = {"ADVAPI32.dll", "GDI32.dll",    "IMM32.dll",   "KERNEL32.dll",
                                        "msvcrt.dll",   "ole32.dll",    "OLEAUT32.dll", "SETUPAPI.dll",
                                        "SHELL32.dll",  "USER32.dll",   "VERSION.dll", "WINMM.dll",
                                        "dinput8.dll",  "XINPUT1_4.dll"};
  std::istringstream lines(headers);
  int imports = 0;
  for (std::string line; std::getline(lines, line);) {
    const auto at = line.find("DLL Name: ");
    if (at == std::string::npos) continue;
    ++imports;
    const std::string dll = line.substr(at + 10);
    EXPECT_TRUE(system.contains(dll)) << "imports " << dll << ", which is not part of Windows";
  }
  EXPECT_GT(imports, 0) << headers;
  EXPECT_LE(std::filesystem::file_size(exe_), 4'000'000u);
}

}  // namespace
