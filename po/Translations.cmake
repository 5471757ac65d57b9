# nulvane-cli's catalogues: each po/LANG.po is made into LANG/LC_MESSAGES/nulvane-cli.mo under
# locale/ in the build folder, where the program run from there finds it, and installed to the
# system's locale folder, where the installed program finds it (share/locale beside its bin/).
# msgfmt --check refuses a catalogue whose translation drops or swaps a printf placeholder.
find_package(Gettext REQUIRED)
file(GLOB nulvane_po_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/po/*.po)
set(nulvane_mo_files)
foreach(po IN LISTS nulvane_po_files)
  get_filename_component(language ${po} NAME_WE)
  set(folder ${PROJECT_BINARY_DIR}/locale/${language}/LC_MESSAGES)
  add_custom_command(OUTPUT ${folder}/nulvane-cli.mo
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
                     COMMAND ${GETTEXT_MSGFMT_EXECUTABLE} --check -o ${folder}/nulvane-cli.mo ${po}
                     DEPENDS ${po} VERBATIM)
  list(APPEND nulvane_mo_files ${folder}/nulvane-cli.mo)
  install(FILES ${folder}/nulvane-cli.mo DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${language}/LC_MESSAGES)
endforeach()
add_custom_target(nulvane_cli_translations ALL DEPENDS ${nulvane_mo_files})
add_dependencies(nulvane-cli nulvane_cli_translations)
file(RELATIVE_PATH nulvane_locale_reldir /p/${CMAKE_INSTALL_BINDIR} /p/${CMAKE_INSTALL_LOCALEDIR})
target_compile_definitions(nulvane_cli_options PRIVATE NULVANE_LOCALE_RELDIR="${nulvane_locale_reldir}")
