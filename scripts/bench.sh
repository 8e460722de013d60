#!/bin/bash
# The codec benchmark: packs and unpacks each file of the corpus (a 32-bit
# Windows executable, a WAV sound, a picture made BMP and a text, taken from
# Debian packages by scripts/corpus.sh) and prints, side by side, the sizes
# against the greedy parse and zlib level 9, and the speeds of the packer,
# the stub's decoder, the straightforward decoder and zlib inflate. Then
# ssinst's peak memory per command on 1 GiB inputs and 3 GB files
# (scripts/memory.sh).
set -eu
cd "$(dirname "$0")/.."
SSINST_SETUP=packages bash scripts/setup.sh
BUILD=${BUILD_DIR:-build/release}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target lzhuf_bench ssinst >/dev/null
bash scripts/corpus.sh "$BUILD/corpus"
C=$BUILD/corpus
"$BUILD/lzhuf_bench" "$C/notepad.exe" "$C/spacefun.bmp" "$C/Front_Center.wav" "$C/GPL-3.txt"
bash scripts/memory.sh "$BUILD"
