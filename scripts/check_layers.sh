#!/usr/bin/env bash
# Holds the source tree to its layering: every include of a project header
# names its folder, one at or below the including file's own in the README's
# Layout (the importer and the world generator have their places there too;
# files in a layer's subfolders belong to the layer), and only *_gl.cpp files
# call GL, GLU, GLUT or GLX. Prints each breach and exits 1 if there is any.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t layers < <(sed -n '/<!-- layers:/,/<!-- end of layers -->/p' README.md | sed -n 's/^- `\([a-z_]*\)\/`.*/\1/p')
if [ ${#layers[@]} -lt 2 ]; then
  echo "check_layers: no layer list found in README.md" >&2
  exit 1
fi
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

status=0
for layer in "${layers[@]}"; do
  while IFS= read -r file; do
    while IFS= read -r target; do
      folder=${target%%/*}
      if [ "$folder" = "$target" ]; then
        echo "$file includes \"$target\", which names no folder"
        status=1
      elif [ -z "${rank[$folder]+set}" ]; then
        echo "$file includes $target, outside the program's layers"
        status=1
      elif [ "${rank[$folder]}" -gt "${rank[$layer]}" ]; then
        echo "$file includes $target, from a higher layer"
        status=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
    case "$file" in
      *_gl.cpp) ;;
      *)
        if grep -n -E '\b(gl|glu|glut|glX)[A-Z][A-Za-z0-9]*[[:space:]]*\(' "$file" | grep -v -E '^[0-9]+:[[:space:]]*//' >/tmp/check_layers.$$ 2>/dev/null; then
          sed "s|^|$file:|; s|\$|  (GL call outside a *_gl.cpp file)|" /tmp/check_layers.$$
          status=1
        fi
        rm -f /tmp/check_layers.$$
        ;;
    esac
  done < <(find "$layer" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
done
exit $status
