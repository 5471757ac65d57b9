#!/usr/bin/env bash
# Makes the Debian package from a build folder and checks it as a user would meet it:
#     check-package.sh BUILD_FOLDER
# the file name, the files it installs, dependencies computed from the binaries, lintian without
# errors (its warnings are printed), the metainfo and desktop entry valid, both manual pages
# rendered without a warning, and the installed programs working from a folder they cannot write
# to: nulvane-cli exports with the default columns and leaves no configuration behind.
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

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
            usr/share/doc/nulvane/copyright usr/share/doc/nulvane/changelog.gz; do
  grep -qx "./$file" "$work/contents" || fail "the package lacks /$file"
done
changelog="$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/nulvane/changelog.gz | gzip -dc | head -1)"
[[ "$changelog" == "nulvane ($version) "* ]] || fail "the changelog's last entry is not $version: $changelog"
grep -q "<release version=\"$version\"" "$(dirname "$0")/../packaging/org.karvo.nulvane.metainfo.xml" ||
  fail "the metainfo file names no release $version"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libc6 libqt6widgets6 libxml2 libgsf-1-114 qt6-qpa-plugins; do
  [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] ||
    fail "Depends lacks $library: $depends"
done

# Errors fail the check; warnings and notes are printed for the record.
lintian --display-info --tag-display-limit 0 "$deb" 2>&1 | grep -v '^running with root privileges' >"$work/lintian.log" || true
if grep -q '^E: ' "$work/lintian.log"; then
  cat "$work/lintian.log" >&2
  fail "lintian reports errors"
fi
if [ -s "$work/lintian.log" ]; then echo "lintian:"; cat "$work/lintian.log"; fi

root="$work/root"
dpkg-deb -x "$deb" "$root"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.karvo.nulvane.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log" >&2; fail "the metainfo file does not validate"; }
desktop-file-validate "$root/usr/share/applications/nulvane.desktop" >"$work/desktop.log" 2>&1 ||
  { cat "$work/desktop.log" >&2; fail "the desktop entry does not validate"; }
for page in nulvane nulvane-cli; do
  rendered="$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.log")"
  [ ! -s "$work/man.log" ] || { cat "$work/man.log" >&2; fail "man warns about $page(1)"; }
  [[ "$rendered" == *"SYNOPSIS"*"$page"* ]] || fail "$page(1) renders without its synopsis"
done

# Installed where the user cannot write (as /usr/bin is): the defaults are used, nothing is written.
chmod 755 "$work"
chmod -R a-w "$root"
out="$work/out"
mkdir -p "$out/tree"
: >"$out/tree/empty"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody "$out"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
"${as_user[@]}" "$root/usr/bin/nulvane-cli" --export csv "$out/list.csv" "$out/tree" ||
  fail "the installed nulvane-cli could not export"
[ ! -e "$root/usr/bin/TallyscopeConfig.xml" ] || fail "the installed nulvane-cli wrote beside itself"
header="$(head -1 "$out/list.csv" | tr -d '\r')"
[ "$header" = "      File Name,Full Path,File Size,File Ext,Create Time,Access Time,Write Time," ] ||
  fail "the installed nulvane-cli exported other than the default columns: $header"
# The desktop program too: it starts (on Qt's offscreen platform) and writes nothing beside itself.
status=0
QT_QPA_PLATFORM=offscreen "${as_user[@]}" timeout 3 "$root/usr/bin/nulvane" "$out/tree" >"$work/nulvane.log" 2>&1 ||
  status=$?
[ "$status" -eq 124 ] || { cat "$work/nulvane.log" >&2; fail "the installed nulvane ended at once (status $status)"; }
[ ! -e "$root/usr/bin/TallyscopeConfig.xml" ] || fail "the installed nulvane wrote beside itself"
echo "check-package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB) is sound"
