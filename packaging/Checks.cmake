# Checks of what reaches users besides the programs: the Debian packages the set-up scripts
# install.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME Packages.RunSetHoldsNoTestOnlyPackage
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check-packages.py ${CMAKE_BINARY_DIR})
set_tests_properties(Packages.RunSetHoldsNoTestOnlyPackage PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
