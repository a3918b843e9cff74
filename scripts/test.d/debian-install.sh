#!/usr/bin/env bash
# The packages on a clean Debian 12: builds them (scripts/package.sh, with
# lintian), makes a minimal bookworm root with debootstrap, installs the .debs
# there with apt-get (which pulls their dependencies), starts the installed
# station with a fresh home and checks its first start (fingerprint mode, the
# component registry, the settings and the employee table), then purges the
# packages and checks that only the user's data is left.
#
# Needs root (debootstrap, chroot, mount). The minimal root is cached as a
# tarball in $TALVENOX_ROOT_CACHE (default /var/tmp/talvenox-root-cache);
# DEBIAN_INSTALL_SECONDS is the time box (900).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
limit=${DEBIAN_INSTALL_SECONDS:-900}
cache=${TALVENOX_ROOT_CACHE:-/var/tmp/talvenox-root-cache}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
start=$SECONDS

say() { echo "debian-install: $*"; }
fail() { echo "debian-install: FAILED: $*" >&2; exit 1; }

if [ "$(id -u)" -ne 0 ]; then
  echo "debian-install: SKIPPED: needs root for debootstrap and chroot (run scripts/test.sh as root)" >&2
  echo "debian-install: SKIPPED" >&2
  exit 0
fi
for tool in debootstrap lintian dpkg-deb cpack; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done

# The time box covers everything below, packaging included.
if [ -z "${DEBIAN_INSTALL_TIMED:-}" ]; then
  export DEBIAN_INSTALL_TIMED=1
  exec timeout --kill-after=30 "$limit" bash "$0" "$@"
fi

work=$(mktemp -d /var/tmp/talvenox-root.XXXXXX)
root=$work/root
mounts=()
cleanup() {
  local m
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    m=${mounts[i]}
    umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true
  done
  for m in "${mounts[@]}"; do
    if mountpoint -q "$m"; then
      echo "debian-install: $m still mounted, leaving $work in place" >&2
      return
    fi
  done
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT
# The time box ends the script with SIGTERM: clean up then too.
trap 'exit 143' TERM INT

# A fresh minimal root (from the cache, else from debootstrap), made while
# the packages are built.
mkdir -p "$cache"
base=$cache/bookworm-minbase.tar
make_root() {
  if [ -s "$base" ]; then
    mkdir -p "$root" && tar -C "$root" -xf "$base"
  else
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 || return 1
    tar -C "$root" -cf "$base.$$" . && mv "$base.$$" "$base"
  fi
}
make_root &
maker=$!
TALVENOX_SKIP_SETUP=1 bash "$src/scripts/package.sh" || { wait "$maker" || true; fail "building the packages failed"; }
debs=("$src"/build/packages/*.deb)
say "packages built in $((SECONDS - start)) s"
wait "$maker" || { tail -20 "$work/debootstrap.log" >&2 || true; fail "making the minimal root failed"; }
say "minimal root ready in $((SECONDS - start)) s"
mount_in() { mount "$@"; mounts+=("${@: -1}"); }
mount_in -t proc proc "$root/proc"
mount_in --bind /dev "$root/dev"
mount_in -t tmpfs tmpfs "$root/tmp"
# libfprint looks for readers in sysfs.
mount_in -t sysfs -o ro sysfs "$root/sys"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# A throwaway root needs no fsync after every file.
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/talvenox-test"
# The same archive areas as the machine that built the packages.
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
  : >"$root/etc/apt/sources.list"
fi
# Packages this machine already downloaded need not be fetched again.
ln /var/cache/apt/archives/*.deb "$root/var/cache/apt/archives/" 2>/dev/null || true
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"; }

# What the root holds before the packages come, to compare after they go.
listing() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./dev -o -path ./tmp -o -path ./run -o -path ./var/cache \
    -o -path ./var/lib/apt -o -path ./var/lib/dpkg -o -path ./var/log -o -path ./home -o -path ./etc/ld.so.cache \) -prune -o -print | sort)
}
in_root apt-get update -qq >"$work/apt.log" 2>&1 || { tail -20 "$work/apt.log" >&2; fail "apt-get update in the root failed"; }
# The station's user, with a fresh home, and sqlite3 to add an employee.
in_root useradd --create-home --shell /bin/sh clerk
in_root apt-get install -y -q --no-install-recommends sqlite3 >"$work/sqlite3.log" 2>&1 ||
  { tail -20 "$work/sqlite3.log" >&2; fail "cannot install sqlite3 in the root"; }
listing >"$work/before.txt"
mkdir -p "$root/tmp/debs"
cp "${debs[@]}" "$root/tmp/debs/"
names=()
for deb in "${debs[@]}"; do names+=("$(dpkg-deb --field "$deb" Package)"); done
say "installing ${names[*]} with apt-get"
in_root apt-get install -y -q --no-install-recommends $(cd "$root" && ls ./tmp/debs/*.deb | sed 's|^\./|/|') \
  >"$work/install.log" 2>&1 || { tail -30 "$work/install.log" >&2; fail "apt-get install of the packages failed"; }
say "installed in $((SECONDS - start)) s ($(grep -c '^Setting up' "$work/install.log") packages set up)"

# The installed tree: programs find their libraries, the desktop sees the entry.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=/usr/lib/$multiarch/talvenox
for f in /usr/bin/talvenox /usr/bin/talvenox-regsvr "$libdir/libdactilox.so" "$libdir/libPPVBP42.so" \
    "$libdir/libvistrel.so" /usr/share/applications/talvenox.desktop /usr/lib/udev/rules.d/60-talvenox-uareu.rules \
    /usr/lib/systemd/user/talvenox.service /usr/share/talvenox/ok.wav; do
  [ -e "$root$f" ] || fail "$f is not installed"
done
missing=$(for f in "$root"/usr/bin/talvenox* $(find "$root$libdir" -name '*.so' -o -type f -perm -u+x); do
  in_root ldd "${f#"$root"}" 2>&1 | sed -n "s|^\(.*not found\)|${f#"$root"}: \1|p"
done | sort -u)
[ -z "$missing" ] || fail "installed files miss libraries: $missing"

# First start of the installed station by its user.
ids=$(in_root id -u clerk):$(in_root id -g clerk)
home=/home/clerk/.local/share/talvenox
install -d -m 700 -o "${ids%:*}" -g "${ids#*:}" "$root/tmp/clerk-run"
# chroot and env exec, so $! of a command run in the background is the command itself.
as_clerk=(chroot --userspec="$ids" "$root" /usr/bin/env -i HOME=/home/clerk USER=clerk PATH=/usr/bin:/bin
  LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/clerk-run)
"${as_clerk[@]}" /usr/bin/talvenox >"$work/station.log" 2>&1 &
station=$!
for _ in $(seq 1 300); do
  [ -s "$root$home/drive_c/halvorsten/zeltron/zeltron.db" ] && [ -s "$root$home/components.ini" ] && break
  kill -0 "$station" 2>/dev/null || { cat "$work/station.log" >&2; fail "the installed station stopped at its first start"; }
  sleep 0.2
done
sleep 1
kill -TERM "$station" 2>/dev/null || true
for _ in $(seq 1 100); do kill -0 "$station" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$station" 2>/dev/null; then
  kill -KILL "$station" || true
  cat "$work/station.log" >&2
  fail "the installed station did not stop on SIGTERM"
fi
wait "$station" || true
grep -q "$libdir/libdactilox.so" "$root$home/components.ini" ||
  { cat "$root$home/components.ini" >&2; fail "components.ini does not register $libdir/libdactilox.so"; }
[ -s "$root$home/zeltron.sys" ] || { cat "$work/station.log" >&2; fail "the station wrote no zeltron.sys when it closed"; }
grep -aq DIGITALPERSONA "$root$home/zeltron.sys" || fail "the first start did not choose the fingerprint reader"
say "installed station started in fingerprint mode and registered $libdir/libdactilox.so"

# A punch through the virtual reader: an employee, a finger enrolled from
# three demo prints, a fourth print touched while the station runs.
prints=/usr/share/talvenox/prints
if [ -x "$root/usr/bin/talvenox-enroll" ] && [ -x "$root/usr/bin/talvenox-touch" ] && [ -f "$root$prints/00001_4.tif" ]; then
  data=$home/drive_c/halvorsten/zeltron
  "${as_clerk[@]}" sqlite3 "$data/zeltron.db" "INSERT INTO zeltron (Codigo, Empresa, nome, bloqueado) VALUES ('17', '0009', 'Cadastro Teste', 'N')" ||
    fail "cannot add the employee"
  "${as_clerk[@]}" talvenox-enroll 17 1 "$prints/00001_1.tif" "$prints/00001_2.tif" "$prints/00001_3.tif" >"$work/enroll.log" 2>&1 ||
    { cat "$work/enroll.log" >&2; fail "talvenox-enroll failed in the installed tree"; }
  "${as_clerk[@]}" env FP_VIRTUAL_IMAGE=/tmp/clerk-run/reader.sock /usr/bin/talvenox >"$work/punch.log" 2>&1 &
  station=$!
  "${as_clerk[@]}" talvenox-touch --socket /tmp/clerk-run/reader.sock --wait 30 "$prints/00001_4.tif" >"$work/touch.log" 2>&1 ||
    { kill -TERM "$station"; cat "$work/touch.log" >&2; fail "talvenox-touch could not reach the virtual reader"; }
  for _ in $(seq 1 100); do
    grep -qs '^17;' "$root$home/zeltron_OnLine.txt" && break
    sleep 0.2
  done
  kill -TERM "$station" 2>/dev/null || true
  wait "$station" || true
  grep -qs '^17;' "$root$home/zeltron_OnLine.txt" ||
    { cat "$work/punch.log" >&2; fail "the enrolled finger did not punch at the installed station"; }
  grep -qs ';17;' "$root$data"/TX0009*.TXT || fail "the punch is missing from the export file"
  say "enrolled finger punched through the virtual reader"
else
  echo "debian-install: PUNCH STEP SKIPPED: talvenox-enroll, talvenox-touch or the demo prints are not in the packages yet" >&2
fi

# Removal leaves the user's data and nothing else.
in_root apt-get purge -y -q "${names[@]}" >"$work/purge.log" 2>&1 || { tail -20 "$work/purge.log" >&2; fail "purging the packages failed"; }
in_root apt-get autoremove --purge -y -q >>"$work/purge.log" 2>&1 || { tail -20 "$work/purge.log" >&2; fail "autoremove failed"; }
listing >"$work/after.txt"
left=$(comm -13 "$work/before.txt" "$work/after.txt")
[ -z "$left" ] || fail "left behind after purging: $(echo "$left" | head -20)"
for f in zeltron.sys components.ini drive_c/halvorsten/zeltron/zeltron.db; do
  [ -s "$root$home/$f" ] || fail "the user's $f went with the packages"
done
say "purged: nothing left but the user's data"
say "passed in $((SECONDS - start)) s"
