#!/usr/bin/env bash
# Makes the Debian package from a build folder and checks it as a distribution and a user would
# meet it:
#     check-package.sh BUILD_FOLDER
# the file name, the files it installs, dependencies computed from the binaries, the system's
# column configuration as a configuration file with the default bytes; lintian --pedantic without
# errors, warnings or hardening tags (other tags are printed); the metainfo and desktop entry valid
# without a hint; both manual pages rendered without a warning. Then, as root, the package is
# installed with dpkg into a scratch copy of this system (an overlay over / in a mount namespace of
# its own, thrown away afterwards), both programs run from /usr/bin as root and as an unprivileged
# user, and the package is purged: the programs read the user's or the system's configuration and
# write nothing under /usr, and the purge leaves none of the package's files behind. Without root,
# the programs run from the unpacked package in a folder they cannot write to instead.
set -euo pipefail
fail() { echo "check-package: $*" >&2; exit 1; }
default_header="      File Name,Full Path,File Size,File Ext,Create Time,Access Time,Write Time,"

# Exports TREE with nulvane-cli from PROGRAMS, run through EXPORT_AS (a command prefix that sets
# the user and home), and checks the columns: export_header WHO FILE HEADER.
export_header() {
  local got
  "${EXPORT_AS[@]}" "$PROGRAMS/nulvane-cli" --export csv "$2" "$TREE" >/dev/null ||
    fail "nulvane-cli could not export ($1)"
  got="$(head -1 "$2" | tr -d '\r')"
  [ "$got" = "$3" ] || fail "nulvane-cli exported other columns than expected ($1): $got"
}

# The desktop program starts (on Qt's offscreen platform) and is still running 3 s later.
start_window() {
  local status=0
  QT_QPA_PLATFORM=offscreen "${EXPORT_AS[@]}" timeout 3 "$PROGRAMS/nulvane" "$TREE" >"$LOG" 2>&1 || status=$?
  [ "$status" -eq 124 ] || { cat "$LOG" >&2; fail "nulvane ended at once (status $status, $1)"; }
}

# Inside the scratch copy (chrooted; the package, this script and what the steps hand on in /tmp,
# which is no part of the copy): one step of the installed run. Each step is a chroot of its own,
# so that what the programs wrote can be looked for between them.
if [ "${1:-}" = "--in-scratch-root" ]; then
  step="$2"
  PROGRAMS=/usr/bin TREE=/tmp/tree LOG=/tmp/run.log
  case "$step" in
    install)
      # A nulvane that this system has already installed goes first, in the copy only.
      dpkg --purge --no-triggers nulvane >/tmp/dpkg.log 2>&1 || { cat /tmp/dpkg.log >&2; fail "dpkg --purge failed"; }
      dpkg --install --no-triggers /tmp/nulvane.deb >/tmp/dpkg.log 2>&1 ||
        { cat /tmp/dpkg.log >&2; fail "dpkg --install failed"; }
      dpkg-query -L nulvane >/tmp/package-files
      dpkg-query -W -f='${Conffiles}\n' nulvane | grep -q '^ /etc/nulvane/TallyscopeConfig.xml [0-9a-f]\{32\}$' ||
        fail "/etc/nulvane/TallyscopeConfig.xml is no configuration file of the package"
      cmp -s /etc/nulvane/TallyscopeConfig.xml /tmp/default-config.xml ||
        fail "/etc/nulvane/TallyscopeConfig.xml does not hold the default configuration"
      mkdir -p "$TREE" /tmp/home
      : >"$TREE/empty"
      chown nobody /tmp/home
      ;;
    run)
      # Root, with the system's configuration: the default columns, nothing written anywhere.
      EXPORT_AS=(env HOME=/root)
      export_header root /tmp/root.csv "$default_header"
      start_window root
      # A user with a configuration of their own, which goes before the system's.
      EXPORT_AS=(setpriv --reuid=nobody --regid=nogroup --clear-groups -- env HOME=/tmp/home)
      start_window "unprivileged user"
      [ ! -e /tmp/home/.config/nulvane/TallyscopeConfig.xml ] || fail "nulvane wrote the user a configuration file"
      mkdir -p /tmp/home/.config/nulvane
      sed 's/Name="Full Path" Visible="True"/Name="Full Path" Visible="False"/' /etc/nulvane/TallyscopeConfig.xml \
        >/tmp/home/.config/nulvane/TallyscopeConfig.xml
      chown -R nobody /tmp/home/.config
      export_header "unprivileged user" /tmp/user.csv \
        "      File Name,File Size,File Ext,Create Time,Access Time,Write Time,"
      ;;
    run-without-system-file)
      # Without the system's file the default is written to the user's folder, not beside the program.
      rm /etc/nulvane/TallyscopeConfig.xml
      EXPORT_AS=(env HOME=/root)
      export_header "root, no system file" /tmp/root-again.csv "$default_header"
      cmp -s /root/.config/nulvane/TallyscopeConfig.xml /tmp/default-config.xml ||
        fail "without /etc/nulvane/TallyscopeConfig.xml, root's first start wrote no default in ~/.config/nulvane"
      ;;
    purge)
      dpkg --purge --no-triggers nulvane >/tmp/dpkg.log 2>&1 || { cat /tmp/dpkg.log >&2; fail "dpkg --purge failed"; }
      status="$(dpkg-query -W -f='${Status}' nulvane 2>/dev/null || true)"
      [[ -z "$status" || "$status" == *" not-installed" ]] || fail "after the purge, nulvane is \"$status\""
      # Folders that other packages share (/usr/share/man and the like) rightly stay.
      left=()
      while IFS= read -r path; do
        if [ -e "$path" ] && { [ ! -d "$path" ] || [[ "$path" == */nulvane ]]; }; then left+=("$path"); fi
      done </tmp/package-files
      ((${#left[@]} == 0)) || fail "the purge left behind: ${left[*]}"
      ;;
  esac
  exit 0
fi

build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
arch="$(dpkg --print-architecture)"
deb="$work/nulvane_${version}_${arch}.deb"
cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(cd "$work" && ls ./*.deb 2>/dev/null)"

dpkg-deb -c "$deb" | awk '{ print $NF }' >"$work/contents"
for file in usr/bin/nulvane usr/bin/nulvane-cli usr/share/applications/nulvane.desktop \
            usr/share/icons/hicolor/scalable/apps/nulvane.svg usr/share/man/man1/nulvane.1.gz \
            usr/share/man/man1/nulvane-cli.1.gz usr/share/metainfo/org.karvo.nulvane.metainfo.xml \
            usr/share/doc/nulvane/copyright usr/share/doc/nulvane/changelog.gz etc/nulvane/TallyscopeConfig.xml; do
  grep -qx "./$file" "$work/contents" || fail "the package lacks /$file"
done
# nulvane-cli loads the export formats as a module of its own: the program itself needs neither the
# XML nor the spreadsheet library.
grep -qE '^\./usr/lib/([^/]+/)?nulvane/nulvane-formats\.so$' "$work/contents" ||
  fail "the package lacks the export formats module (/usr/lib/.../nulvane/nulvane-formats.so)"
dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/bin/nulvane-cli >"$work/nulvane-cli"
needed="$(readelf -d "$work/nulvane-cli" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')"
[[ "$needed" != *libxml2* && "$needed" != *libgsf* ]] || fail "nulvane-cli itself needs $needed"
changelog="$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/nulvane/changelog.gz | gzip -dc | head -1)"
[[ "$changelog" == "nulvane ($version) "* ]] || fail "the changelog's last entry is not $version: $changelog"
grep -q "<release version=\"$version\"" "$(dirname "$0")/../packaging/org.karvo.nulvane.metainfo.xml" ||
  fail "the metainfo file names no release $version"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libc6 libqt6widgets6 libxml2 libgsf-1-114 qt6-qpa-plugins; do
  [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] ||
    fail "Depends lacks $library: $depends"
done

# Errors, warnings and the hardening tags fail the check; other tags are printed for the record.
lintian --pedantic --display-info --tag-display-limit 0 "$deb" 2>&1 | grep -v '^running with root privileges' >"$work/lintian.log" || true
if grep -qE '^[EW]: |hardening-no-|binary-has-unneeded-section' "$work/lintian.log"; then
  cat "$work/lintian.log" >&2
  fail "lintian reports errors, warnings or missing hardening"
fi
if [ -s "$work/lintian.log" ]; then echo "lintian:"; cat "$work/lintian.log"; fi

root="$work/root"
dpkg-deb -x "$deb" "$root"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.karvo.nulvane.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log" >&2; fail "the metainfo file does not validate"; }
grep -qx '✔ Validation was successful.' "$work/appstream.log" ||
  { cat "$work/appstream.log" >&2; fail "appstreamcli has remarks on the metainfo file"; }
desktop-file-validate "$root/usr/share/applications/nulvane.desktop" >"$work/desktop.log" 2>&1 ||
  { cat "$work/desktop.log" >&2; fail "the desktop entry does not validate"; }
[ ! -s "$work/desktop.log" ] || { cat "$work/desktop.log" >&2; fail "desktop-file-validate has remarks on the desktop entry"; }
for page in nulvane nulvane-cli; do
  rendered="$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.log")"
  [ ! -s "$work/man.log" ] || { cat "$work/man.log" >&2; fail "man warns about $page(1)"; }
  [[ "$rendered" == *"SYNOPSIS"*"$page"* ]] || fail "$page(1) renders without its synopsis"
done

# The scratch copy: this system as the overlay's lower layer, every write in $work/upper, and
# $work/tmp as its /tmp; the mounts vanish with the namespace. It needs root and overlay mounts.
scratch="$work/scratch"
mkdir -p "$work/upper" "$work/overlay-work" "$scratch" "$work/tmp"
no_scratch=""
if [ "$(id -u)" -ne 0 ]; then
  no_scratch="not root"
elif ! unshare --mount --propagation private -- \
       mount -t overlay overlay -o "lowerdir=/,upperdir=$work/upper,workdir=$work/overlay-work" "$scratch" \
       2>"$work/mount.log"; then
  no_scratch="no overlay mount here: $(head -1 "$work/mount.log")"
fi
if [ -n "$no_scratch" ]; then
  # Unpacked where the user cannot write (root runs them as nobody): the defaults are used,
  # nothing is written.
  echo "check-package: $no_scratch: the package is not installed into a scratch copy of the system"
  chmod 755 "$work"
  chmod -R a-w "$root"
  PROGRAMS="$root/usr/bin" TREE="$work/out/tree" LOG="$work/nulvane.log" EXPORT_AS=(env)
  mkdir -p "$TREE" && : >"$TREE/empty"
  if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody "$work/out"
    EXPORT_AS=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  fi
  export_header "unpacked" "$work/out/list.csv" "$default_header"
  start_window "unpacked"
  [ ! -e "$root/usr/bin/TallyscopeConfig.xml" ] || fail "the unpacked programs wrote beside themselves"
  echo "check-package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB) is sound"
  exit 0
fi

chmod 1777 "$work/tmp"
cp "$deb" "$work/tmp/nulvane.deb"
cp "$0" "$work/tmp/check-package.sh"
cp "$build/packaging/TallyscopeConfig.xml" "$work/tmp/default-config.xml"
in_scratch() {
  unshare --mount --propagation private -- bash -euo pipefail -c '
    mount -t overlay overlay -o "lowerdir=/,upperdir=$1/upper,workdir=$1/overlay-work" "$2"
    mount -t proc proc "$2/proc"
    mount --rbind /dev "$2/dev"
    mount --bind "$1/tmp" "$2/tmp"
    exec chroot "$2" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C.UTF-8 \
      bash /tmp/check-package.sh --in-scratch-root "$3"
  ' in-scratch "$work" "$scratch" "$1"
}
in_scratch install
touch "$work/installed"
in_scratch run
written="$(cd "$work/upper" && find . -newer "$work/installed" \( -path ./usr -o -path './usr/*' -o -name TallyscopeConfig.xml \) -print)"
[ -z "$written" ] || fail "the installed programs wrote: $written"
in_scratch run-without-system-file
written="$(cd "$work/upper" && find . -newer "$work/installed" \( -path './usr/*' -o -name TallyscopeConfig.xml \) -print)"
[ "$written" = "./root/.config/nulvane/TallyscopeConfig.xml" ] ||
  fail "without the system's file, the installed nulvane-cli wrote other than the user's file: $written"
in_scratch purge
echo "check-package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB) is sound; installed, run as root and as nobody, and purged"
