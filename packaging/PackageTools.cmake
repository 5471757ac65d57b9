# Run by CPack before it makes the package: installs what is missing of the tools it needs for the
# package's dependencies (the package set of scripts/debian-packages: dpkg-shlibdeps and file), as
# the set-up commands install theirs, so that a build folder of the run set makes the package too.
execute_process(COMMAND "${CPACK_NULVANE_SOURCE_DIR}/scripts/install-deps.sh" package RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the package tools are missing: scripts/install-deps.sh package could not install them")
endif()
