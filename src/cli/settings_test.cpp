#include "cli/settings.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "failure.h"
#include "math/vector3.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::bitsOf;

float zScaleFrom(const std::string& text) {
  const std::vector<const char*> arguments = {"quorvel", "p", "0", "0", "1", text.c_str()};
  return parseSettings(static_cast<int>(arguments.size()), arguments.data()).zScaleFactor;
}

TEST(Settings, NumbersBeyondTheFloatRangeRoundToInfinityAsTheProcessorDoes) {
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  struct Case {
    const char* text;
    float expected;
  };
  const Case cases[] = {
      {"1e39", kInfinity},
      {"-1e39", -kInfinity},
      {"1e400", kInfinity},  // beyond the double range too
      {"3.4028235e38", FLT_MAX},
      // Just below the midpoint between FLT_MAX and 2^128 still rounds down; the midpoint
      // itself rounds to even, which is infinity.
      {"0x1.fffffefffffffp+127", FLT_MAX},
      {"0x1.ffffffp+127", kInfinity},
      {"-0x1.ffffffp+127", -kInfinity},
      {"1e-50", 0.0f},
      {"-1e-50", -0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(bitsOf(zScaleFrom(c.text)), bitsOf(c.expected));
  }
}

TEST(Settings, RoundToFloatAgreesWithTheConversionInsideTheFloatRange) {
  for (const double value : {0.1, -0.1, 1.0 / 3.0, 1e-40, 3.4028234663852886e38, -2.5e20}) {
    EXPECT_EQ(bitsOf(roundToFloat(value)), bitsOf(static_cast<float>(value))) << value;
  }
  EXPECT_TRUE(std::isnan(roundToFloat(std::nan(""))));
}

// Only the arguments that become settings are checked, in argument order, and the message
// quotes the first bad one as typed.
TEST(Settings, FirstNonFiniteSettingIsRefusedAsTyped) {
  struct Case {
    std::vector<const char*> arguments;  // after the prefix
    const char* refused;                 // nullptr: accepted
  };
  const Case cases[] = {
      {{"1", "2", "3", "4", "5"}, nullptr},
      {{"1e39", "nan"}, nullptr},            // two numbers are ignored
      {{"0", "0", "1", "4", "inf"}, "inf"},  // the sea level
      {{"0", "0", "1", "1e39"}, "1e39"},     // the z scale, as typed
      {{"-1e39", "0", "nan"}, "-1e39"},      // the first of two
      {{"0", "0", "1", "3.4028235e38", "-0x1.ffffffp+127"}, "-0x1.ffffffp+127"},
      {{"0", "0", "1", "1", "1", "inf"}, nullptr},  // a sixth number is ignored
  };
  for (const Case& c : cases) {
    std::vector<const char*> arguments = {"quorvel", "p"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    SCOPED_TRACE(c.arguments.size());
    const auto check = [&] {
      checkFiniteSettings(static_cast<int>(arguments.size()), arguments.data());
    };
    if (c.refused == nullptr) {
      EXPECT_NO_THROW(check());
    } else {
      test::expectFailure(check,
                          std::string("erreur: ") + c.refused + " n'est pas un nombre fini\n");
    }
  }
}

// Each line names the arguments as typed; the values are still read as quorvel has always
// read them (0,5 as 0, 2.5xyz as 2.5).
TEST(Settings, SettingsTypedWrongGiveOneWarningLineEach) {
  struct Case {
    std::vector<const char*> arguments;  // after the prefix
    std::vector<std::string> lines;
  };
  const std::string ignoredTwo =
      ": a light direction takes three numbers, so these two are ignored";
  const std::string options = "; options come before the prefix\n";
  const Case cases[] = {
      {{}, {}},
      {{"0", "0", "1", "nan", "-0x1p3"}, {}},
      {{"1"}, {"1: a light direction takes three numbers, so this one is ignored\n"}},
      {{"1", "2"}, {"1 2" + ignoredTwo + "\n"}},
      {{"--ext", "png"}, {"--ext png" + ignoredTwo + options}},
      {{"2.5xyz", "  7", "1e"},
       {"2.5xyz: not wholly a number, read as 2.500000 for the light x\n",
        "1e: not wholly a number, read as 1.000000 for the light z\n"}},
      {{"0", "0", "1", "0,5", "abc"},
       {"0,5: not wholly a number, read as 0.000000 for the z scale factor\n",
        "abc: not wholly a number, read as 0.000000 for the sea level\n"}},
      {{"--ext", "png", "1"},
       {"--ext: not wholly a number, read as 0.000000 for the light x" + options,
        "png: not wholly a number, read as 0.000000 for the light y\n"}},
      {{"0", "0", "1", "1", "0", "7", "8"},
       {"7 8: more than five numbers after the prefix, so these are ignored\n"}},
      {{"0", "0", "1", "", "0", "--ext"},
       {": not wholly a number, read as 0.000000 for the z scale factor\n",
        "--ext: more than five numbers after the prefix, so this one is ignored" + options}},
  };
  for (const Case& c : cases) {
    std::vector<const char*> arguments = {"quorvel", "p"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    SCOPED_TRACE(c.arguments.size());
    EXPECT_EQ(settingsWarnings(static_cast<int>(arguments.size()), arguments.data()), c.lines);
  }
}

}  // namespace
}  // namespace quorvel
