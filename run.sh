#!/usr/bin/env bash
# Builds Nodeweave and starts it. With no serial adapter, choose "Simulator" in the port
# box: a simulated radio module answers every command.
set -euo pipefail
. "$(dirname "$0")/tools.sh"
# The interface starts in Chinese: without a CJK font its texts would show as boxes.
nw_install_missing fonts-wqy-microhei
nw_build "$NW_ROOT/build"
cd "$NW_ROOT"
exec "$NW_ROOT/build/nodeweave" "$@"
