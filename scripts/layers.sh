#!/bin/bash
# The folders' include graph, lowest layer first. Fails when a folder
# includes one above it (which every circle between folders would need),
# when the codec includes anything else of the project, or when a folder is
# missing from the order.
#   layers.sh [ROOT]
set -eu
cd "${1:-$(dirname "$0")/..}"
# Lowest first; a folder may include its own layer and those before it.
ORDER="base lzhuf res platform payload install checks app authoring ssinst ssinstw tests bench"

rank() {
  local i=0 f
  for f in $ORDER; do
    [ "$f" = "$1" ] && { echo $i; return; }
    i=$((i + 1))
  done
  echo -1
}

# The sources, build trees (folders with a CMakeCache.txt) left out.
sources() {
  local builds
  builds=$(find . -name CMakeCache.txt -printf '%h/\n')
  find . -path ./.git -prune -o \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) -print |
    grep -v -F "${builds:-//none//}" || true
}

status=0
while read -r count from to; do
  rf=$(rank "$from") rt=$(rank "$to") verdict=ok
  if [ "$rf" -lt 0 ] || [ "$rt" -lt 0 ]; then verdict="NOT IN THE ORDER"
  elif [ "$from" = lzhuf ] && [ "$to" != lzhuf ]; then verdict="BROKEN: the codec includes nothing else"
  elif [ "$rt" -gt "$rf" ]; then verdict="BROKEN: includes a folder above it"
  fi
  printf '%-9s -> %-9s %4s  %s\n' "$from" "$to" "$count" "$verdict"
  [ "$verdict" = ok ] || status=1
done < <(
  sources |
    xargs grep -Ho '^#include "[^"/]*/[^"]*"' |
    sed -E 's|^\./([^/]+)/[^:]*:#include "([^/]+)/.*|\1 \2|' |
    sort | uniq -c | sort -k2,2 -k3,3 |
    awk '{ print $1, $2, $3 }' |
    while read -r c f t; do echo "$(rank "$f") $(rank "$t") $c $f $t"; done |
    sort -n -k1,1 -k2,2 | cut -d' ' -f3-
)
[ $status = 0 ] && echo "layers: every folder includes only its own layer and those below it"
exit $status
