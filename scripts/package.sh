#!/usr/bin/env bash
# Builds the Debian packages from the release build into build/packages/ and
# checks them with lintian (tags we accept are listed, with the reason, in
# packaging/lintian-accepted.txt).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
[ "${TALVENOX_SKIP_SETUP:-}" = 1 ] || bash "$here/setup.sh"
[ "${TALVENOX_SKIP_BUILD:-}" = 1 ] || bash "$here/build.sh" release
out=$root/build/packages
rm -rf "$out" "$root/build/release/cpack"
mkdir -p "$out"
(cd "$root/build/release" && cpack -G DEB) >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log" >&2
  echo "package: cpack failed" >&2
  exit 1
}
cp "$root"/build/release/cpack/*.deb "$out"/
for deb in "$out"/*.deb; do
  echo "--- $(basename "$deb")"
  dpkg-deb --field "$deb" Package Version Depends
done

# lintian warns when run as root; it still checks everything.
if ! lintian --fail-on error,warning --suppress-tags-from-file "$root/packaging/lintian-accepted.txt" "$out"/*.deb; then
  echo "package: lintian reports the problems above" >&2
  exit 1
fi
echo "package: $(ls "$out"/*.deb | wc -l) packages in $out, lintian clean"
