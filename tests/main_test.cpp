// The two informational options of quorvel, run as the built program.

#include <gtest/gtest.h>

#include "test_support.h"
#include "tool_process.h"

namespace quorvel {
namespace {

TEST(Main, HelpPrintsBannerUsageAndOptionsAndVersionOnlyTheBanner) {
  const test::TempDir dir;  // nothing may be read or written there
  const test::RunResult help = test::runTool({"--help"}, dir.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out,
            "quorvel 0.01.0000\n"
            "usage: quorvel prefix [x y z light direction] [z scale factor] [sea level]\n"
            "options, only before the prefix:\n"
            "  --alt FILE       altitude image (default: prefix + \"alt.\" + EXT)\n"
            "  --difmat FILE    diffuse material colours (default: prefix + \"DifMat.\" + EXT)\n"
            "  --ambmat FILE    ambient material colours (default: prefix + \"AmbMat.\" + EXT)\n"
            "  --diflight FILE  diffuse light colours (default: prefix + \"DifLight.\" + EXT)\n"
            "  --amblight FILE  ambient light colours (default: prefix + \"AmbLight.\" + EXT)\n"
            "  --ext EXT        extension of the default names (default: bmp)\n"
            "  --strict         settings typed wrong are errors (exit 2), not warnings\n"
            "  --sky[=8|16]     ambient light scaled by the sky each vertex sees (default 16\n"
            "                   directions)\n"
            "  --shadows        diffuse light shadowed by the terrain toward the light direction\n"
            "  --sun-size DEG   the sun's diameter in degrees, for --shadows' penumbra (default\n"
            "                   0.53)\n"
            "  --json           one JSON object on standard output instead of the text lines\n"
            "  --trusted-inputs let GDAL read VRT files and network names (for files you vouch"
            " for)\n"
            "  --               ends the options (for a prefix that begins with --)\n"
            "  --help           this text\n"
            "  --version        the banner only\n"
            "A name ending in .bmp is read as a BMP; any other through GDAL (PNG, GeoTIFF, SRTM\n"
            ".hgt, ...), from local files only unless --trusted-inputs is given.\n");
  const test::RunResult version = test::runTool({"--version"}, dir.path());
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "quorvel 0.01.0000\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace quorvel
