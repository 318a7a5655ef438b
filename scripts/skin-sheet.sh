#!/bin/sh
# Draws the contact sheet of every control and the window with every control
# (build/artifacts/controls.png, window.png) and copies them to docs/skin/.
set -e
cd "$(dirname "$0")/.."
cmake --build build --target ui_tests
build/bin/ui_tests --gtest_filter='ContactSheet.*'
mkdir -p docs/skin
cp build/artifacts/controls.png build/artifacts/window.png docs/skin/
