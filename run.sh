#!/usr/bin/env bash
# Builds Nodeweave and starts it. With no serial adapter, choose "Simulator" in the port
# box: a simulated radio module answers every command.
set -euo pipefail
. "$(dirname "$0")/tools.sh"
nw_install_missing
nw_build "$NW_ROOT/build"
cd "$NW_ROOT"
exec "$NW_ROOT/build/nodeweave" "$@"
