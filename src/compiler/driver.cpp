#include "compiler/driver.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/json_output.h"
#include "cli/options.h"
#include "cli/settings.h"
#include "cli/size_line.h"
#include "cli/unfinished_maps.h"
#include "failure.h"
#include "quorvel/quorvel.h"

namespace quorvel {
namespace {

constexpr const char* kUsage =
    "usage: quorvel prefix [x y z light direction] [z scale factor] [sea level]";

// Whether --json is among the options, looked for before they are parsed so that a mistake
// in them is reported as JSON too.
bool wantsJson(int argumentCount, const char* const* arguments) {
  for (int i = 1; i < argumentCount; ++i) {
    const std::string_view argument = arguments[i];
    if (argument == "--json") return true;
    if (argument == "--" || !argument.starts_with("--")) return false;
  }
  return false;
}

nlohmann::json settingsObject(const Settings& settings) {
  const Vector3& light = settings.lightDirection;
  return {{"light", {light.x, light.y, light.z}},
          {"z_scale", settings.zScaleFactor},
          {"sea_level", settings.seaLevel},
          {"sky", settings.baked.skyDirections},
          {"shadows", settings.baked.shadows},
          {"sun_size", settings.baked.sunDiameter}};
}

// The run itself; every refusal is thrown, as a Failure before the images and an Error from
// the compile.
int run(int argumentCount, const char* const* arguments, bool json) {
  if (!json) std::printf("quorvel %s\n", version());
  const CommandLine line = parseCommandLine(Program::kCompiler, argumentCount, arguments);
  switch (line.action) {
    case CommandLine::Action::kVersion:
      if (json) printJson({{"version", version()}});
      return 0;
    case CommandLine::Action::kUsage:
    case CommandLine::Action::kHelp:
      if (json && line.action == CommandLine::Action::kUsage) {
        printJson(errorObject(kUsage, 0, ErrorKind::kUsage));
        return 0;
      }
      if (json) std::printf("quorvel %s\n", version());
      std::printf("%s\n", kUsage);
      if (line.action == CommandLine::Action::kHelp) std::fputs(optionsHelp(Program::kCompiler).c_str(), stdout);
      return 0;
    case CommandLine::Action::kRun:
    case CommandLine::Action::kMerge:  // not an option of quorvel's
      break;
  }
  // Settings typed wrong are told on standard error, or among the JSON's notes; with --strict
  // they stop the run before anything is read or written.
  const int count = static_cast<int>(line.settingsArguments.size());
  const char* const* words = line.settingsArguments.data();
  const std::vector<std::string> warnings = settingsWarnings(count, words);
  if (refuseSettingsWarnings(warnings, line.strict, json)) return kUsageExitCode;
  Settings settings = parseSettings(count, words);
  settings.baked = line.baked;
  if (!json) printSettings(settings);
  checkFiniteSettings(count, words);

  CompileOptions options;
  options.trustedInputs = line.trustedInputs;
  if (!json) {
    options.onNote = [](const std::string& note) { std::fprintf(stderr, "%s\n", note.c_str()); };
    options.onSize = [](std::int32_t largeur, std::int32_t hauteur) {
      std::printf("%s\n", sizeLine(largeur, hauteur).c_str());
      std::fflush(stdout);
    };
  }
  removeUnfinishedMapsIn(std::filesystem::path(line.files.prefix + ".map").parent_path());
  const CompileResult result = compileFiles(line.files, settings, options);
  if (json) {
    nlohmann::json notes = nlohmann::json::array();
    for (const std::string& warning : warnings) {
      notes.push_back(nameText(warning.substr(0, warning.size() - 1)));
    }
    for (const std::string& note : result.notes) notes.push_back(nameText(note));
    printJson({{"map", nameText(result.map)},
               {"largeur", result.largeur},
               {"hauteur", result.hauteur},
               {"bytes", result.bytes},
               {"size_line", latin1Text(sizeLine(result.largeur, result.hauteur))},
               {"notes", notes},
               {"settings", settingsObject(settings)},
               {"version", version()}});
  }
  return 0;
}

}  // namespace

int runDriver(int argumentCount, const char* const* arguments) {
  const bool json = wantsJson(argumentCount, arguments);
  try {
    return run(argumentCount, arguments, json);
  } catch (const Failure& failure) {
    return printRefusal(failure.what(), failure.hint(), json, failure.exitCode(), failure.kind());
  } catch (const Error& error) {
    return printRefusal(error.what(), error.hint(), json, 1, error.kind());
  } catch (const std::exception& error) {
    return printRefusal("erreur: " + escapeControls(error.what()), {}, json, 1,
                        kindOfException(error));
  }
}

}  // namespace quorvel
