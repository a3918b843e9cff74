#!/usr/bin/env bash
# Sets the machine up, builds and starts the station on its embedded defaults.
# Extra arguments go to talvenox (e.g. --home DIR).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
bash "$here/setup.sh"
bash "$here/build.sh" release
exec "$root/build/release/bin/talvenox" "$@"
