# Checks of what reaches users besides the programs: the Debian packages the set-up scripts
# install, and the Debian package made from this build. A sanitizer build is no package.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME Packages.RunSetHoldsNoTestOnlyPackage
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check-packages.py ${CMAKE_BINARY_DIR})
set_tests_properties(Packages.RunSetHoldsNoTestOnlyPackage PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)

if(NOT NULVANE_SANITIZE)
  add_test(NAME Package.DebianPackageInstallsAndPassesLintian
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-package.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(Package.DebianPackageInstallsAndPassesLintian PROPERTIES TIMEOUT 300)
endif()
