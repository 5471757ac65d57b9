# What is installed besides the two programs: manual pages, shell completion, the system's column
# configuration, desktop entry, icon and AppStream metadata. `cmake --install` puts them under the
# prefix; the Debian packages (debian/) share them out between nulvane-cli and nulvane.

set(nulvane_packaging ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(nulvane_generated ${CMAKE_CURRENT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${nulvane_generated})

# The manual pages are made from their templates and nulvane-cli's option table, which its
# --help prints too, then compressed as Debian installs them. Only where man pages are read.
if(UNIX)
  add_executable(nulvane-manpage ${nulvane_packaging}/ManPage.cpp)
  target_link_libraries(nulvane-manpage PRIVATE nulvane_cli_options)
  set_target_properties(nulvane-manpage PROPERTIES AUTOMOC OFF)

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

  # The system's copy of the default column configuration, made from the program's own text.
  add_executable(nulvane-default-config ${nulvane_packaging}/DefaultConfig.cpp)
  target_link_libraries(nulvane-default-config PRIVATE nulvane_config)
  set_target_properties(nulvane-default-config PROPERTIES AUTOMOC OFF)
  add_custom_command(
    OUTPUT ${nulvane_generated}/TallyscopeConfig.xml
    COMMAND nulvane-default-config ${nulvane_generated}/TallyscopeConfig.xml
    DEPENDS nulvane-default-config
    COMMENT "Default column configuration"
    VERBATIM)
  list(APPEND nulvane_docs ${nulvane_generated}/TallyscopeConfig.xml)
  # It goes where an installed program looks for it: /etc/nulvane for the package (/usr),
  # SYSCONFDIR/nulvane for the prefix the build was configured for, PREFIX/etc/nulvane for any
  # other. The prefix is known only when installing (`cmake --install --prefix`).
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"${CMAKE_INSTALL_PREFIX}\")
      set(nulvane_sysconfdir \"${CMAKE_INSTALL_FULL_SYSCONFDIR}\")
    elseif(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(nulvane_sysconfdir /etc)
    else()
      set(nulvane_sysconfdir \"\${CMAKE_INSTALL_PREFIX}/etc\")
    endif()
    file(INSTALL \"${nulvane_generated}/TallyscopeConfig.xml\" DESTINATION \"\${nulvane_sysconfdir}/nulvane\")")

  # Shell completion for nulvane-cli, from the same table, where each shell looks for it.
  add_executable(nulvane-completion ${nulvane_packaging}/Completion.cpp)
  target_link_libraries(nulvane-completion PRIVATE nulvane_cli_options)
  set_target_properties(nulvane-completion PROPERTIES AUTOMOC OFF)
  foreach(shell_file bash:nulvane-cli zsh:_nulvane-cli fish:nulvane-cli.fish)
    string(REPLACE ":" ";" shell_file ${shell_file})
    list(GET shell_file 0 shell)
    list(GET shell_file 1 file)
    add_custom_command(
      OUTPUT ${nulvane_generated}/completion/${shell}/${file}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${nulvane_generated}/completion/${shell}
      COMMAND nulvane-completion ${shell} ${nulvane_generated}/completion/${shell}/${file}
      DEPENDS nulvane-completion
      COMMENT "Completion for ${shell}"
      VERBATIM)
    list(APPEND nulvane_docs ${nulvane_generated}/completion/${shell}/${file})
  endforeach()
  install(FILES ${nulvane_generated}/completion/bash/nulvane-cli DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  install(FILES ${nulvane_generated}/completion/zsh/_nulvane-cli DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
  install(FILES ${nulvane_generated}/completion/fish/nulvane-cli.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

  # Built with nulvane-cli, so that `cmake --install` finds the pages after any build of it.
  add_custom_target(nulvane_docs ALL DEPENDS ${nulvane_docs})
  add_dependencies(nulvane-cli nulvane_docs)
endif()

install(FILES app/org.karvo.nulvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES app/nulvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${nulvane_packaging}/org.karvo.nulvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
