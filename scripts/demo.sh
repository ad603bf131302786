#!/usr/bin/env bash
# The main job end to end on built-in data. Usage: scripts/demo.sh BUILD_DIR
set -euo pipefail
build=${1:-build/release}
echo "carmaseq demo: library built in $build"
