#!/usr/bin/env bash
# Builds Nodeweave and starts it. With no serial adapter, choose "Simulator" in the port
# box: a simulated radio module answers every command.
set -euo pipefail
. "$(dirname "$0")/tools.sh"
# The interface starts in Chinese: without a CJK font its texts would show as boxes.
nw_install_missing fonts-wqy-microhei
nw_build "$NW_ROOT/build"
cd "$NW_ROOT"
# A Nodeweave.ini in the working directory holds the settings (the portable case), so a
# program run from the source tree keeps them beside it instead of in ~/.config.
[ -e Nodeweave.ini ] || : >Nodeweave.ini
exec "$NW_ROOT/build/nodeweave" "$@"
