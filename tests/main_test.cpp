// The two informational options of quorvel, run as the built program.

#include <gtest/gtest.h>

#include "test_support.h"
#include "tool_process.h"

namespace quorvel {
namespace {

TEST(Main, HelpPrintsBannerAndUsageAndVersionOnlyTheBanner) {
  const test::TempDir dir;  // nothing may be read or written there
  const test::RunResult help = test::runTool({"--help"}, dir.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out,
            "quorvel 0.01.0000\n"
            "usage: quorvel prefix [x y z light direction] [z scale factor] [sea level]\n");
  const test::RunResult version = test::runTool({"--version"}, dir.path());
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "quorvel 0.01.0000\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace quorvel
