#!/usr/bin/env bash
# Sets up a fresh machine with what building needs (cmake, ninja, g++), builds
# the quorlin compiler and tfsdump without the tests, and compiles the shipped
# example examples/wave.txt to wave.tfs in the directory it was started from.
set -euo pipefail
started_in=$PWD
cd "$(dirname "$0")"
scripts/install-dependencies build
cmake --preset release -DQUORLIN_BUILD_TESTS=OFF
cmake --build --preset release -j"$(nproc)"
# quorlin takes an argument that starts with '/' for an option, so it cannot
# be given the absolute path of the starting directory: it writes into the
# build tree, and the file moves from there.
build/release/bin/quorlin /file examples/wave.txt /out build/release/wave.tfs
mv -f build/release/wave.tfs "$started_in/wave.tfs"
