#include "platform/posix/svg_to_png.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace corvane::platform::posix {
namespace {

using Kind = ConversionError::Kind;

constexpr const char* kSvg =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="30" height="20"><rect width="30" height="20" fill="red"/></svg>)";

/// PATH set for one test: a folder of stand-in converters, or one with none at all.
class PathFor {
 public:
  PathFor() : folder_(std::filesystem::temp_directory_path() / ("corvane-png-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(folder_);
    if (const char* path = std::getenv("PATH")) old_ = path;
    ::setenv("PATH", folder_.c_str(), 1);
  }
  ~PathFor() {
    if (old_) ::setenv("PATH", old_->c_str(), 1);
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  PathFor(const PathFor&) = delete;
  PathFor& operator=(const PathFor&) = delete;
  /// A stand-in rsvg-convert running this shell script.
  void converter(const std::string& script) {
    auto file = folder_ / "rsvg-convert";
    std::ofstream(file) << "#!/bin/sh\n" << script << "\n";
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
  }

 private:
  std::filesystem::path folder_;
  std::optional<std::string> old_;
};

TEST(SvgToPng, ConvertsWithTheRealConverter) {
  auto png = svgToPng(kSvg);
  ASSERT_TRUE(png) << png.error().description;
  ASSERT_GT(png->size(), 24u);
  EXPECT_EQ(png->substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  // IHDR: width and height, big-endian, at bytes 16 and 20.
  auto be32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>((*png)[at + i]);
    return v;
  };
  EXPECT_EQ(be32(16), 30u);
  EXPECT_EQ(be32(20), 20u);
}

TEST(SvgToPng, APictureTheConverterRefusesSaysWhy) {
  auto png = svgToPng("<svg this is not");
  ASSERT_FALSE(png);
  EXPECT_EQ(png.error().kind, Kind::failed);
  EXPECT_TRUE(png.error().description.starts_with("rsvg-convert refused the picture")) << png.error().description;
}

TEST(SvgToPng, WithoutTheConverterItSaysItIsMissing) {
  PathFor path;
  auto png = svgToPng(kSvg);
  ASSERT_FALSE(png);
  EXPECT_EQ(png.error().kind, Kind::missing);
}

TEST(SvgToPng, AConverterThatHangsIsStoppedAtItsTime) {
  PathFor path;
  path.converter("exec /bin/sleep 30");
  auto png = svgToPng(kSvg, 0.3);
  ASSERT_FALSE(png);
  EXPECT_EQ(png.error().description, "rsvg-convert took longer than 0.3 s");
}

TEST(SvgToPng, AConverterThatStopsReadingNeitherKillsUsNorPassesForSuccess) {
  PathFor path;
  path.converter("echo 'out of memory' >&2; exit 3");
  // Far more than a pipe holds, so the write meets a closed pipe.
  auto png = svgToPng(std::string(4 << 20, ' '));
  ASSERT_FALSE(png);
  EXPECT_EQ(png.error().description, "rsvg-convert refused the picture: out of memory");
}

TEST(SvgToPng, AConverterThatSaysNothingAndWritesNothingHasFailed) {
  PathFor path;
  path.converter("/bin/cat > /dev/null");
  auto png = svgToPng(kSvg);
  ASSERT_FALSE(png);
  EXPECT_EQ(png.error().description, "rsvg-convert refused the picture");
}

}  // namespace
}  // namespace corvane::platform::posix
