#!/usr/bin/env bash
# Installs what is missing, builds, prepares the default world and starts the viewer in it.
set -euo pipefail
cd "$(dirname "$0")"
if [ -z "${DISPLAY:-}" ]; then
  echo "Kestrolane needs a graphical display: DISPLAY is not set (start it from a desktop session or with an X server)." >&2
  exit 1
fi
scripts/install_deps.sh
scripts/build.sh
if ! xdpyinfo >/dev/null 2>&1; then
  echo "Kestrolane needs a graphical display: cannot open display '$DISPLAY'." >&2
  exit 1
fi
cd build/world
exec ../kestrolane "$@"
