#pragma once

// The release, known at compile time. CMake reads its package version (quorvel_VERSION, what
// find_package(quorvel 0.1) compares) from the three numbers here, and the Python package's
// from the same lines, so that the project spells its version once.
#define QUORVEL_VERSION_MAJOR 0
#define QUORVEL_VERSION_MINOR 1
#define QUORVEL_VERSION_PATCH 0

// The same release as the programs print it in their banners and quorvel::version() returns
// it: the minor number in two digits, the patch number in four ("0.01.0000" is 0.1.0).
#define QUORVEL_VERSION_STRING "0.01.0000"
