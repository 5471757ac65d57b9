# The window's translations: each translations/nulvane_LANG.ts is compiled by Qt's lrelease into
# translations/nulvane_LANG.qm beside the window in the build folder, where a build run from there
# finds them, and installed to share/nulvane/translations. The .ts files are the sources kept in
# the repository; translations/update.sh refreshes them from the code with lupdate.
find_program(NULVANE_LRELEASE NAMES lrelease lrelease-qt6 HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}" REQUIRED)

file(GLOB nulvane_ts_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/translations/nulvane_*.ts)
set(nulvane_qm_files)
foreach(ts ${nulvane_ts_files})
  get_filename_component(name ${ts} NAME_WE)
  set(qm ${CMAKE_CURRENT_BINARY_DIR}/translations/${name}.qm)
  add_custom_command(OUTPUT ${qm}
                     COMMAND ${NULVANE_LRELEASE} -silent ${ts} -qm ${qm}
                     DEPENDS ${ts} VERBATIM)
  list(APPEND nulvane_qm_files ${qm})
endforeach()
add_custom_target(nulvane_translations DEPENDS ${nulvane_qm_files})
add_dependencies(nulvane nulvane_translations)
install(FILES ${nulvane_qm_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/nulvane/translations)
# The window looks for them beside itself (a build folder), then where they are installed.
file(RELATIVE_PATH nulvane_translations_reldir /p/${CMAKE_INSTALL_BINDIR} /p/${CMAKE_INSTALL_DATADIR}/nulvane/translations)
target_compile_definitions(nulvane_app PRIVATE NULVANE_TRANSLATIONS_RELDIR="${nulvane_translations_reldir}")
