#!/bin/bash
# Makes the codec corpus: real files standing for screen-saver payloads,
# taken reproducibly from Debian packages.
#   corpus.sh DIR
#   notepad.exe    a 32-bit Windows executable   wine32:i386 (installed by setup.sh)
#   Front_Center.wav  a WAV sound                alsa-utils (downloaded, not installed)
#   spacefun.bmp   a picture, PNG made BMP       desktop-base (downloaded), netpbm
#   GPL-3.txt      text                          base-files
set -eu
OUT=$1
FILES="notepad.exe Front_Center.wav spacefun.bmp GPL-3.txt"
done=1
for f in $FILES; do [ -s "$OUT/$f" ] || done=0; done
[ $done = 1 ] && exit 0

mkdir -p "$OUT/debs"
cd "$OUT"
cp /usr/lib/i386-linux-gnu/wine/i386-windows/notepad.exe notepad.exe
cp /usr/share/common-licenses/GPL-3 GPL-3.txt
download() {
  (cd debs && apt-get download "$@" >/dev/null 2>&1) ||
    { apt-get update -qq >/dev/null && (cd debs && apt-get download "$@" >/dev/null); }
}
download alsa-utils desktop-base
for d in debs/*.deb; do dpkg-deb -x "$d" debs/root; done
cp debs/root/usr/share/sounds/alsa/Front_Center.wav Front_Center.wav
pngtopnm debs/root/usr/share/desktop-base/spacefun-theme/grub/grub-4x3.png 2>/dev/null |
  ppmtobmp -bpp 24 > spacefun.bmp 2>/dev/null
rm -rf debs
for f in $FILES; do [ -s "$f" ] || { echo "corpus: $f could not be made"; exit 1; }; done
