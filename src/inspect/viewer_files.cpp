#include "inspect/viewer_files.h"

// The files go in as they are, through the assembler: QUORVEL_VIEWER_DIR is the viewer/
// folder, which CMake names.
#define QUORVEL_EMBED(symbol, file)                                                    \
  asm(".pushsection .rodata\n.global " #symbol "_begin\n" #symbol                      \
      "_begin:\n"                                                                      \
      ".incbin \"" QUORVEL_VIEWER_DIR "/" file "\"\n.global " #symbol "_end\n" #symbol \
      "_end:\n.popsection\n");                                                         \
  extern "C" const char symbol##_begin[];                                              \
  extern "C" const char symbol##_end[];

QUORVEL_EMBED(quorvel_viewer_0, "index.html")
QUORVEL_EMBED(quorvel_viewer_1, "viewer.js")
QUORVEL_EMBED(quorvel_viewer_2, "vendor/README.md")
QUORVEL_EMBED(quorvel_viewer_3, "vendor/three/LICENSE")
QUORVEL_EMBED(quorvel_viewer_4, "vendor/three/three.module.js")
QUORVEL_EMBED(quorvel_viewer_5, "vendor/three/three.core.js")
QUORVEL_EMBED(quorvel_viewer_6, "vendor/three/addons/loaders/GLTFLoader.js")
QUORVEL_EMBED(quorvel_viewer_7, "vendor/three/addons/utils/BufferGeometryUtils.js")
QUORVEL_EMBED(quorvel_viewer_8, "vendor/three/addons/utils/SkeletonUtils.js")
QUORVEL_EMBED(quorvel_viewer_9, "vendor/three/addons/controls/OrbitControls.js")
QUORVEL_EMBED(quorvel_viewer_10, "vendor/3d-tiles-renderer/LICENSE")
QUORVEL_EMBED(quorvel_viewer_11, "vendor/3d-tiles-renderer/index.three.js")
QUORVEL_EMBED(quorvel_viewer_12, "vendor/3d-tiles-renderer/renderer-CUfHAmYW.js")
QUORVEL_EMBED(quorvel_viewer_13, "vendor/3d-tiles-renderer/renderer-_7gAivIK.js")

namespace quorvel {

std::vector<ViewerFile> viewerFiles() {
  const auto file = [](const char* name, const char* begin, const char* end) {
    return ViewerFile{name, std::string_view(begin, static_cast<std::size_t>(end - begin))};
  };
  return {
      file("index.html", quorvel_viewer_0_begin, quorvel_viewer_0_end),
      file("viewer.js", quorvel_viewer_1_begin, quorvel_viewer_1_end),
      file("vendor/README.md", quorvel_viewer_2_begin, quorvel_viewer_2_end),
      file("vendor/three/LICENSE", quorvel_viewer_3_begin, quorvel_viewer_3_end),
      file("vendor/three/three.module.js", quorvel_viewer_4_begin, quorvel_viewer_4_end),
      file("vendor/three/three.core.js", quorvel_viewer_5_begin, quorvel_viewer_5_end),
      file("vendor/three/addons/loaders/GLTFLoader.js", quorvel_viewer_6_begin,
           quorvel_viewer_6_end),
      file("vendor/three/addons/utils/BufferGeometryUtils.js", quorvel_viewer_7_begin,
           quorvel_viewer_7_end),
      file("vendor/three/addons/utils/SkeletonUtils.js", quorvel_viewer_8_begin,
           quorvel_viewer_8_end),
      file("vendor/three/addons/controls/OrbitControls.js", quorvel_viewer_9_begin,
           quorvel_viewer_9_end),
      file("vendor/3d-tiles-renderer/LICENSE", quorvel_viewer_10_begin, quorvel_viewer_10_end),
      file("vendor/3d-tiles-renderer/index.three.js", quorvel_viewer_11_begin,
           quorvel_viewer_11_end),
      file("vendor/3d-tiles-renderer/renderer-CUfHAmYW.js", quorvel_viewer_12_begin,
           quorvel_viewer_12_end),
      file("vendor/3d-tiles-renderer/renderer-_7gAivIK.js", quorvel_viewer_13_begin,
           quorvel_viewer_13_end),
  };
}

}  // namespace quorvel
