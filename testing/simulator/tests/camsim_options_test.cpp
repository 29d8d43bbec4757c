#include "simulator/camsim_options.h"

#include <gtest/gtest.h>

namespace camsim {
namespace {

std::optional<CamsimOptions> Parse(std::vector<std::string> args, std::string* error = nullptr) {
  std::string e;
  auto options = ParseCamsimOptions(args, e);
  if (error) *error = e;
  return options;
}

TEST(CamsimOptions, DefaultsServeOneOpenCameraOn8080) {
  const auto options = Parse({});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->cameras, 1);
  EXPECT_EQ(options->firstPort, 8080);
  EXPECT_EQ(options->width, 320);
  EXPECT_EQ(options->height, 240);
  EXPECT_FALSE(options->user);
  EXPECT_FALSE(options->discovery);
}

TEST(CamsimOptions, ReadsEveryOption) {
  const auto options =
      Parse({"--cameras", "4", "--port", "9000", "--size", "640x480", "--fps", "15", "--quality",
             "50", "--user", "admin", "--password", "secret", "--name", "Dock", "--discovery",
             "--reply-to", "127.0.0.1", "--stop-file", "C:\\stop.txt", "--timeout", "30",
             "--caption-top", "40", "--replay", "25"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->cameras, 4);
  EXPECT_EQ(options->firstPort, 9000);
  EXPECT_EQ(options->width, 640);
  EXPECT_EQ(options->height, 480);
  EXPECT_EQ(options->fps, 15);
  EXPECT_EQ(options->quality, 50);
  EXPECT_EQ(options->user, "admin");
  EXPECT_EQ(options->password, "secret");
  EXPECT_EQ(options->name, "Dock");
  EXPECT_TRUE(options->discovery);
  EXPECT_EQ(options->replyAddress, "127.0.0.1");
  EXPECT_EQ(options->stopFile, "C:\\stop.txt");
  EXPECT_EQ(options->timeoutSeconds, 30);
  EXPECT_EQ(options->captionTop, 40);
  EXPECT_EQ(options->replayFrames, 25);
}

TEST(CamsimOptions, RefusesWhatItCannotServe) {
  const std::vector<std::vector<std::string>> bad = {
      {"--cameras", "0"},          {"--cameras", "65"},         {"--cameras"},
      {"--port", "65536"},         {"--port", "65535", "--cameras", "2"},
      {"--size", "640"},           {"--size", "0x480"},         {"--size", "640x480x2"},
      {"--fps", "0"},              {"--fps", "ten"},            {"--reply-to", "camera.local"},
      {"--password", "p"},         {"--bogus"},                 {"--caption-top", "-1"},
      {"--replay", "0"},
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(Parse(args, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

}  // namespace
}  // namespace camsim
