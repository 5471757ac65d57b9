# Checks of what reaches users besides the programs: the Debian packages the set-up scripts
# install, and the Debian package made from this build. A sanitizer build is no package.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME Packages.RunSetHoldsNoTestOnlyPackage
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check-packages.py ${CMAKE_BINARY_DIR})
set_tests_properties(Packages.RunSetHoldsNoTestOnlyPackage PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)

# It builds the programs once more (dpkg-buildpackage, with the distribution's flags): started
# first, so that the other tests run beside it.
if(NOT NULVANE_SANITIZE)
  add_test(NAME Package.DebianPackageInstallsAndPassesLintian
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-package.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(Package.DebianPackageInstallsAndPassesLintian PROPERTIES TIMEOUT 1500 COST 10000)
endif()

# An installed copy (cmake --install into a scratch DESTDIR) exports through its formats module,
# found where the install put it, with no copy of it beside the program, and speaks French from
# the catalogue installed in the locale folder of its prefix.
if(NULVANE_FORMATS_MODULE)
  add_test(NAME Package.InstalledCopyExports
           COMMAND sh -euc [=[
             root="$(mktemp -d)"; trap 'rm -rf "$root"' EXIT
             DESTDIR="$root" cmake --install "$1" >/dev/null
             program="$root$2/nulvane-cli"
             [ ! -e "$root$2/nulvane-formats.so" ] && [ -f "$root$3/nulvane-formats.so" ]
             mkdir "$root/tree" && : >"$root/tree/empty"
             "$program" --export csv "$root/list.csv" "$root/tree"
             grep -q "^empty,$root/tree/empty," "$root/list.csv"
             ! LC_ALL=C.UTF-8 LANGUAGE=fr "$program" --bad 2>"$root/said"
             grep -q "option inconnue" "$root/said"
           ]=] check ${CMAKE_BINARY_DIR} ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${nulvane_formats_dir})
  set_tests_properties(Package.InstalledCopyExports PROPERTIES TIMEOUT 120)
endif()
