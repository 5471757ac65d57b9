# What is installed besides the two programs: the manual pages, the desktop entry and the icon.

set(nulvane_packaging ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(nulvane_generated ${CMAKE_CURRENT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${nulvane_generated})

# The manual pages are made from their templates and nulvane-cli's option table, which its
# --help prints too, then compressed as Debian installs them.
add_executable(nulvane-manpage ${nulvane_packaging}/ManPage.cpp)
target_link_libraries(nulvane-manpage PRIVATE nulvane_cli_options)

set(nulvane_docs)
foreach(page nulvane.1 nulvane-cli.1)
  add_custom_command(
    OUTPUT ${nulvane_generated}/${page} ${nulvane_generated}/${page}.gz
    COMMAND nulvane-manpage ${nulvane_packaging}/man/${page}.in ${nulvane_generated}/${page} ${PROJECT_VERSION}
    COMMAND gzip -9nkf ${nulvane_generated}/${page}
    DEPENDS nulvane-manpage ${nulvane_packaging}/man/${page}.in
    COMMENT "Manual page ${page}"
    VERBATIM)
  list(APPEND nulvane_docs ${nulvane_generated}/${page}.gz)
  install(FILES ${nulvane_generated}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# Built with nulvane-cli, so that `cmake --install` finds the pages after any build of it.
add_custom_target(nulvane_docs ALL DEPENDS ${nulvane_docs})
add_dependencies(nulvane-cli nulvane_docs)

install(FILES app/nulvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES app/nulvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
