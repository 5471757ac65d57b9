#!/usr/bin/env bash
# Makes the Debian packages from debian/ with dpkg-buildpackage, as a distribution builds them, and
# checks them as a distribution and a user would meet them:
#     check-package.sh BUILD_FOLDER
# The source tree (what git tracks or would track) is copied into BUILD_FOLDER/debian-package
# with an upstream tarball made of it, and dpkg-buildpackage -us -uc builds the source package
# and the binary ones there, on this machine, with its Build-Depends installed (the package set
# of scripts/debian-packages). Then: the files each package holds; nulvane-cli's dependencies
# without Qt or a desktop library; the programs compiled with dpkg-buildflags' flags alone and
# stripped by debhelper into -dbgsym packages, while BUILD_FOLDER keeps the project's own flags;
# one version in the upstream changelog, the Debian changelog and the metainfo; lintian
# --pedantic on the source and every binary package without errors, warnings or hardening tags
# (other tags are printed); the metainfo and desktop entry valid without a hint; both manual
# pages rendered without a warning. Then, as root, both packages are installed with dpkg into a
# scratch copy of this system (an overlay over / in a mount namespace of its own, thrown away
# afterwards), both programs run from /usr/bin as root and as an unprivileged user, and the
# packages are purged: the programs read the user's or the system's configuration and write
# nothing under /usr, and the purge leaves none of the packages' files behind. Without root, the
# programs run from the unpacked packages in a folder they cannot write to instead.
set -euo pipefail
fail() { echo "check-package: $*" >&2; exit 1; }
default_header="      File Name,Full Path,File Size,File Ext,Create Time,Access Time,Write Time,"
packages=(nulvane-cli nulvane)

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
      # What this system has already installed of them goes first, in the copy only.
      dpkg --purge --no-triggers nulvane nulvane-cli >/tmp/dpkg.log 2>&1 ||
        { cat /tmp/dpkg.log >&2; fail "dpkg --purge failed"; }
      dpkg --install --no-triggers /tmp/debs/*.deb >/tmp/dpkg.log 2>&1 ||
        { cat /tmp/dpkg.log >&2; fail "dpkg --install failed"; }
      # Root of the copy starts as on a machine that never ran them: what runs of this machine's
      # own left in its configuration and state folders (a journal of a killed deletion) stays out.
      rm -rf /root/.config/nulvane /root/.local/state/nulvane
      dpkg-query -L nulvane nulvane-cli >/tmp/package-files
      dpkg-query -W -f='${Conffiles}\n' nulvane-cli | grep -q '^ /etc/nulvane/TallyscopeConfig.xml [0-9a-f]\{32\}$' ||
        fail "/etc/nulvane/TallyscopeConfig.xml is no configuration file of nulvane-cli"
      cmp -s /etc/nulvane/TallyscopeConfig.xml /tmp/default-config.xml ||
        fail "/etc/nulvane/TallyscopeConfig.xml does not hold the default configuration"
      mkdir -p "$TREE" /tmp/home
      : >"$TREE/empty"
      chown nobody /tmp/home
      ;;
    run)
      # Without a display, --version and --help answer and open no window.
      [ "$(nulvane --version)" = "nulvane $(cat /tmp/version)" ] || fail "nulvane --version says: $(nulvane --version 2>&1)"
      nulvane --help | grep -q '^usage: nulvane ' || fail "nulvane --help says: $(nulvane --help 2>&1)"
      # nulvane-cli finds its catalogues in the system's locale folder.
      said="$(LC_ALL=C.UTF-8 LANGUAGE=fr nulvane-cli --bad 2>&1 || true)"
      [[ "$said" == *"option inconnue"* ]] || fail "LANGUAGE=fr nulvane-cli --bad says: $said"
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
      dpkg --purge --no-triggers nulvane nulvane-cli >/tmp/dpkg.log 2>&1 ||
        { cat /tmp/dpkg.log >&2; fail "dpkg --purge failed"; }
      for package in nulvane nulvane-cli; do
        status="$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)"
        [[ -z "$status" || "$status" == *" not-installed" ]] || fail "after the purge, $package is \"$status\""
      done
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
source_root="$(cd "$(dirname "$0")/.." && pwd)"
# A folder of its own in the build folder, so that a rebuild finds the same paths (a compiler
# cache then serves it); emptied first, and afterwards unless the check failed.
work="$build/debian-package"
cleanup() { [ ! -d "$work" ] || { chmod -R u+w "$work"; rm -rf "$work"; }; }
cleanup
trap 'status=$?; if [ "$status" -eq 0 ]; then cleanup; else echo "check-package: what was made is in $work" >&2; fi' EXIT
mkdir -p "$work"

# One version everywhere: the project's, the upstream changelog's last release, the metainfo's
# last release, and the Debian changelog's with its Debian revision.
version="$(sed -n 's/^project(KarvoNulvane VERSION \([^ ]*\) .*/\1/p' "$source_root/CMakeLists.txt")"
debian_version="$(dpkg-parsechangelog -l "$source_root/debian/changelog" -S Version)"
[[ "$debian_version" == "$version-"* ]] || fail "debian/changelog's version $debian_version is not $version with a revision"
release="$(sed -n 's/^## \([^ ]*\) .*/\1/p' "$source_root/CHANGELOG.md" | head -1)"
[ "$release" = "$version" ] || fail "CHANGELOG.md's last release is $release, not $version"
grep -q "<release version=\"$version\"" "$source_root/packaging/org.karvo.nulvane.metainfo.xml" ||
  fail "the metainfo file names no release $version"

# The source as a distribution gets it: the tracked files (and new ones not ignored), an upstream
# tarball without debian/, and debian/ beside it.
source="$work/nulvane-$version"
"$source_root/scripts/copy-source.sh" "$source"
tar -C "$work" --exclude="nulvane-$version/debian" -czf "$work/nulvane_$version.orig.tar.gz" "nulvane-$version"

# The build a distribution makes, in parallel on every core; debhelper strips the programs.
start=$SECONDS
(cd "$source" && DEB_BUILD_OPTIONS="parallel=$(nproc)" dpkg-buildpackage -us -uc) >"$work/build.log" 2>&1 ||
  { tail -60 "$work/build.log" >&2; fail "dpkg-buildpackage failed (the whole log: $work/build.log)"; }
echo "check-package: dpkg-buildpackage took $((SECONDS - start)) s"
if grep -E 'warning:' "$work/build.log" >"$work/warnings.log"; then
  cat "$work/warnings.log" >&2
  fail "the package build warns"
fi
arch="$(dpkg --print-architecture)"
for package in "${packages[@]}" nulvane-cli-dbgsym nulvane-dbgsym; do
  [ -f "$work/${package}_${debian_version}_${arch}.deb" ] ||
    fail "dpkg-buildpackage made no ${package}_${debian_version}_${arch}.deb: $(cd "$work" && ls ./*.deb 2>/dev/null)"
done
deb() { echo "$work/${1}_${debian_version}_${arch}.deb"; }

# The distribution's flags and nothing of the project's own; a build from the README keeps those.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
compile_line="$(grep -E ' -c [^ ]*/cli/main\.cpp( |$)' "$work/build.log" | head -1)"
[ -n "$compile_line" ] || fail "the build log shows no compile command of cli/main.cpp"
# Asked where the build ran: the flags name its folder (-ffile-prefix-map).
flags() { (cd "$source" && dpkg-buildflags --get "$1"); }
for flag in $(flags CXXFLAGS) $(flags CPPFLAGS); do
  [[ " $compile_line " == *" $flag "* ]] || fail "cli/main.cpp was compiled without $flag: $compile_line"
done
link_line="$(grep -E ' -o nulvane-cli( |$)' "$work/build.log" | head -1)"
for flag in $(flags LDFLAGS); do
  [[ " $link_line " == *" $flag "* ]] || fail "nulvane-cli was linked without $flag: $link_line"
done
if grep -E '^\[[0-9]+/[0-9]+\] .* -c ' "$work/build.log" | grep -qE ' (-Os|-O3|-U_FORTIFY_SOURCE) '; then
  fail "the package build used the project's own flags: $(grep -E ' (-Os|-O3) ' "$work/build.log" | head -1)"
fi
if grep -q '^NULVANE_PROJECT_FLAGS:BOOL=ON$' "$build/CMakeCache.txt" && [ -f "$build/compile_commands.json" ]; then
  grep -q -- '-Os' "$build/compile_commands.json" || fail "$build, a build from the README, is not compiled for size"
fi

for package in "${packages[@]}"; do dpkg-deb -c "$(deb "$package")" | awk '{ print $NF }' >"$work/$package.contents"; done
for file in usr/bin/nulvane-cli usr/share/man/man1/nulvane-cli.1.gz etc/nulvane/TallyscopeConfig.xml \
            usr/share/bash-completion/completions/nulvane-cli usr/share/doc/nulvane-cli/copyright \
            usr/share/doc/nulvane-cli/changelog.gz usr/share/doc/nulvane-cli/changelog.Debian.gz; do
  grep -qx "./$file" "$work/nulvane-cli.contents" || fail "nulvane-cli lacks /$file"
done
for file in usr/bin/nulvane usr/share/applications/org.karvo.nulvane.desktop \
            usr/share/icons/hicolor/scalable/apps/nulvane.svg usr/share/man/man1/nulvane.1.gz \
            usr/share/metainfo/org.karvo.nulvane.metainfo.xml usr/share/doc/nulvane/copyright \
            usr/share/nulvane/translations/nulvane_de.qm usr/share/nulvane/translations/nulvane_fr.qm \
            usr/share/nulvane/translations/nulvane_es.qm; do
  grep -qx "./$file" "$work/nulvane.contents" || fail "nulvane lacks /$file"
done
# nulvane-cli loads the export formats as a module of its own: the program itself needs neither the
# XML nor the spreadsheet library.
grep -qE '^\./usr/lib/([^/]+/)?nulvane/nulvane-formats\.so$' "$work/nulvane-cli.contents" ||
  fail "nulvane-cli lacks the export formats module (/usr/lib/.../nulvane/nulvane-formats.so)"
dpkg-deb --fsys-tarfile "$(deb nulvane-cli)" | tar -xOf - ./usr/bin/nulvane-cli >"$work/nulvane-cli"
needed="$(readelf -d "$work/nulvane-cli" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')"
[[ "$needed" != *libxml2* && "$needed" != *libgsf* ]] || fail "nulvane-cli itself needs $needed"
[ -z "$(readelf -S "$work/nulvane-cli" | grep -E '\.debug_info|\.comment')" ] ||
  fail "nulvane-cli in the package keeps its debug information or .comment"
changelog="$(dpkg-deb --fsys-tarfile "$(deb nulvane-cli)" | tar -xOf - ./usr/share/doc/nulvane-cli/changelog.gz | gzip -dc)"
[[ "$changelog" == *"## $version "* ]] || fail "nulvane-cli's changelog.gz is not the upstream changelog"

# The command line's package needs no Qt and no desktop library; the window's brings the
# command line of its own version, Qt and its platform plugins.
depends() { dpkg-deb -f "$(deb "$1")" Depends; }
has() { [[ ", $1," == *", $2 "* || ", $1," == *", $2,"* ]]; }
for library in libc6 libstdc++6 libxml2 libgsf-1-114; do
  has "$(depends nulvane-cli)" "$library" || fail "nulvane-cli's Depends lacks $library: $(depends nulvane-cli)"
done
desktop='^(libqt.*|qt6-.*|libx11-.*|libxcb.*|libgl1|libglx.*|libopengl.*|libegl.*|libwayland-.*|libdbus-.*|libfontconfig.*|libfreetype.*|libgtk.*|xdg-utils)$'
if sed 's/([^)]*)//g; s/[,|]/\n/g' <<<"$(depends nulvane-cli)" | tr -d ' ' | grep -qE "$desktop"; then
  fail "nulvane-cli depends on a desktop library: $(depends nulvane-cli)"
fi
for library in libqt6widgets6 qt6-qpa-plugins "nulvane-cli (= $debian_version)"; do
  has "$(depends nulvane)" "$library" || fail "nulvane's Depends lacks $library: $(depends nulvane)"
done

# Errors, warnings and the hardening tags fail the check; other tags are printed for the record.
changes="$work/nulvane_${debian_version}_${arch}.changes"
lintian --pedantic --display-info --tag-display-limit 0 "$changes" 2>&1 |
  grep -v '^running with root privileges' >"$work/lintian.log" || true
if grep -qE '^[EW]: |hardening-no-|binary-has-unneeded-section' "$work/lintian.log"; then
  cat "$work/lintian.log" >&2
  fail "lintian reports errors, warnings or missing hardening"
fi
if [ -s "$work/lintian.log" ]; then echo "lintian:"; cat "$work/lintian.log"; fi

root="$work/root"
for package in "${packages[@]}"; do dpkg-deb -x "$(deb "$package")" "$root"; done
appstreamcli validate --no-net "$root/usr/share/metainfo/org.karvo.nulvane.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log" >&2; fail "the metainfo file does not validate"; }
grep -qx '✔ Validation was successful.' "$work/appstream.log" ||
  { cat "$work/appstream.log" >&2; fail "appstreamcli has remarks on the metainfo file"; }
desktop-file-validate "$root/usr/share/applications/org.karvo.nulvane.desktop" >"$work/desktop.log" 2>&1 ||
  { cat "$work/desktop.log" >&2; fail "the desktop entry does not validate"; }
[ ! -s "$work/desktop.log" ] || { cat "$work/desktop.log" >&2; fail "desktop-file-validate has remarks on the desktop entry"; }
for page in nulvane nulvane-cli; do
  rendered="$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.log")"
  [ ! -s "$work/man.log" ] || { cat "$work/man.log" >&2; fail "man warns about $page(1)"; }
  [[ "$rendered" == *"SYNOPSIS"*"$page"* ]] || fail "$page(1) renders without its synopsis"
done
sizes="$(for package in "${packages[@]}"; do echo "$package $(du -k "$(deb "$package")" | cut -f1) KiB"; done | paste -sd, - | sed 's/,/, /g')"

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
  echo "check-package: $no_scratch: the packages are not installed into a scratch copy of the system"
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
  echo "check-package: $sizes: sound"
  exit 0
fi

chmod 1777 "$work/tmp"
mkdir "$work/tmp/debs"
for package in "${packages[@]}"; do cp "$(deb "$package")" "$work/tmp/debs/"; done
echo "$version" >"$work/tmp/version"
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
echo "check-package: $sizes: sound; installed, run as root and as nobody, and purged"
