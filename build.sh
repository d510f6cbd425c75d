#!/usr/bin/env bash
# Sets up a fresh machine, builds Quorlin and compiles the shipped example
# examples/wave.txt to wave.tfs in the current directory.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-dependencies
cmake --preset release
cmake --build --preset release -j"$(nproc)"
build/release/driver/quorlin /file examples/wave.txt /out wave.tfs
