#!/usr/bin/env bash
# Builds the Debian packages as a distribution's build daemon does, in a throw-away Debian root
# that holds nothing but a minimal system, build-essential and the Build-Depends of debian/control,
# and then installs what was built on a minimal system:
#     package-in-clean-root.sh [OUTPUT_FOLDER]       (as root; default OUTPUT_FOLDER: build-clean-root/)
# It downloads a root with debootstrap from the mirror this machine's apt uses (its sources are
# copied into the root), so it is no part of the test command. Steps, each timed:
#   1. a minimal root (debootstrap --variant=minbase) of this machine's Debian release;
#   2. a copy of it, into which build-essential and the Build-Depends are installed;
#   3. the source (what git tracks) built there by an unprivileged user, without a network:
#      dpkg-buildpackage -us -uc -b;
#   4. in the untouched minimal root, apt-get install --no-install-recommends of nulvane-cli alone,
#      then of nulvane; each program run; then both purged.
# It prints how many packages each step installed and how long each took, and leaves the packages
# in OUTPUT_FOLDER. KEEP_ROOT=1 keeps the roots (their folders are printed).
set -euo pipefail
fail() { echo "package-in-clean-root: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "debootstrap and chroot need root"
source_root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$source_root/build-clean-root}" && cd "${1:-$source_root/build-clean-root}" && pwd)"
"$source_root/scripts/install-deps.sh" package

. /etc/os-release
release="${VERSION_CODENAME:?this is no Debian release with a code name}"
# The mirror that apt on this machine takes the release's main component from.
mirror="$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' |
          awk -v release="$release" '$2 == release && $3 == "main" { print $1; exit }')"
[ -n "$mirror" ] || fail "apt on this machine has no source for $release main"

work="$(mktemp -d /var/tmp/nulvane-clean-root.XXXXXX)"
minbase="$work/minbase" builder="$work/builder"
cleanup() {
  if [ "${KEEP_ROOT:-0}" = 1 ]; then echo "package-in-clean-root: the roots are kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Runs a command in ROOT with /proc and /dev, mounted in a mount namespace of its own so that they
# vanish with it: in_root ROOT [--user NAME] [--no-network] COMMAND...
in_root() {
  local root="$1" user="" network=()
  shift
  while [[ "$1" == --* ]]; do
    case "$1" in
      --user) user="$2"; shift 2 ;;
      --no-network) network=(--net); shift ;;
    esac
  done
  local userspec=() home=/root
  if [ -n "$user" ]; then
    userspec=(--userspec="$(chroot "$root" id -u "$user"):$(chroot "$root" id -g "$user")")
    home="$(chroot "$root" getent passwd "$user" | cut -d: -f6)"
  fi
  unshare --mount --propagation private "${network[@]}" -- sh -euc '
    root="$1"; shift
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    exec chroot "$@"' in-root "$root" "${userspec[@]}" "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    HOME="$home" LC_ALL=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}
installed() { in_root "$1" dpkg-query -W -f='${db:Status-Abbrev}\n' | grep -c '^ii'; }
names() { in_root "$1" dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | sort; }
minutes() { awk -v s="$1" 'BEGIN { printf "%.1f min", s / 60 }'; }
report=()

start=$SECONDS
debootstrap --variant=minbase "$release" "$minbase" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log" >&2; fail "debootstrap failed (the log: $work/debootstrap.log)"; }
# This machine's sources (updates and security too), so that the root gets what it would get.
rm -f "$minbase/etc/apt/sources.list"
cp -a /etc/apt/sources.list* "$minbase/etc/apt/"
in_root "$minbase" apt-get update -qq
base_count="$(installed "$minbase")"
report+=("minimal root ($release, minbase): $base_count packages, $(minutes $((SECONDS - start)))")
cp -a "$minbase" "$builder"

# The build root: build-essential and the Build-Depends, without recommends, as build daemons do.
"$source_root/scripts/copy-source.sh" "$builder/build/nulvane"
start=$SECONDS
in_root "$builder" apt-get install -y -qq --no-install-recommends build-essential >"$work/build-deps.log" 2>&1 &&
  in_root "$builder" apt-get build-dep -y -qq --no-install-recommends /build/nulvane >>"$work/build-deps.log" 2>&1 ||
  { tail -20 "$work/build-deps.log" >&2; fail "the build dependencies could not be installed"; }
report+=("build-essential and the Build-Depends: $(($(installed "$builder") - base_count)) packages more, $(minutes $((SECONDS - start)))")

# The build, as an unprivileged user and in a network namespace of its own, which has no network.
in_root "$builder" useradd --home-dir /build --no-create-home --user-group builder
in_root "$builder" chown -R builder:builder /build
start=$SECONDS
in_root "$builder" --user builder --no-network \
  sh -c "cd /build/nulvane && DEB_BUILD_OPTIONS=parallel=$(nproc) dpkg-buildpackage -us -uc -b" \
  >"$work/build.log" 2>&1 || { tail -40 "$work/build.log" >&2; fail "dpkg-buildpackage failed (the log: $work/build.log)"; }
report+=("dpkg-buildpackage -us -uc -b: $(minutes $((SECONDS - start))) on $(nproc) cores")
rm -f "$out"/*.deb "$out"/*.buildinfo "$out"/*.changes
cp "$builder"/build/*.deb "$builder"/build/*.buildinfo "$builder"/build/*.changes "$out/"
cp "$work/build.log" "$out/build.log"

# What a server and a desktop pull from the archive, on the untouched minimal root.
mkdir -p "$minbase/tmp/debs"
cp "$out"/nulvane-cli_*.deb "$out"/nulvane_*.deb "$minbase/tmp/debs/"
names "$minbase" >"$work/minbase.packages"
in_root "$minbase" sh -c 'apt-get install -y -qq --no-install-recommends /tmp/debs/nulvane-cli_*.deb' >"$work/cli.log" 2>&1 ||
  { tail -20 "$work/cli.log" >&2; fail "nulvane-cli does not install on a minimal root"; }
cli_count="$(($(installed "$minbase") - base_count))"
cli_packages="$(names "$minbase" | comm -13 "$work/minbase.packages" - | paste -sd' ' -)"
in_root "$minbase" sh -c 'mkdir -p /tmp/tree && : >/tmp/tree/empty && nulvane-cli /tmp/tree &&
  nulvane-cli --export csv /tmp/list.csv /tmp/tree && grep -q "^empty,/tmp/tree/empty," /tmp/list.csv' >"$work/cli-run.log" 2>&1 ||
  { cat "$work/cli-run.log" >&2; fail "nulvane-cli does not list or export on a minimal root"; }
report+=("apt-get install --no-install-recommends ./nulvane-cli_*.deb on the minimal root: $cli_count packages ($cli_packages)")
in_root "$minbase" sh -c 'apt-get install -y -qq --no-install-recommends /tmp/debs/nulvane_*.deb' >"$work/window.log" 2>&1 ||
  { tail -20 "$work/window.log" >&2; fail "nulvane does not install on a minimal root"; }
window_count="$(($(installed "$minbase") - base_count - cli_count))"
in_root "$minbase" sh -c 'nulvane --version && QT_QPA_PLATFORM=offscreen timeout 3 nulvane /tmp/tree; [ $? -eq 124 ]' \
  >"$work/window-run.log" 2>&1 || { cat "$work/window-run.log" >&2; fail "nulvane does not start on a minimal root"; }
in_root "$minbase" apt-get purge -y -qq nulvane nulvane-cli >"$work/purge.log" 2>&1 ||
  { tail -20 "$work/purge.log" >&2; fail "the packages do not purge"; }
left="$(cd "$minbase" && ls -d etc/nulvane usr/lib/*/nulvane usr/bin/nulvane* 2>/dev/null || true)"
[ -z "$left" ] || fail "the purge left behind: $left"
report+=("then ./nulvane_*.deb (the window) beside it: $window_count packages more; both ran, and purged")

printf 'package-in-clean-root: %s\n' "${report[@]}"
echo "package-in-clean-root: the packages are in $out"
