# Installation and the Debian package. The programs go to bin, the guide, the copyright and the
# changelog to the package's documentation folder, the hourly clock-setting timers to the user
# units (installed disabled: systemctl --user enable --now kwf-tqv-synchro@3.timer).

set(KWF_MAINTAINER "Service technique KWF TQV <technique@kwf-tqv.example>" CACHE STRING
    "Maintainer of the Debian package, \"Name <address>\"")
set(KWF_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)

# The changelog's latest entry is this release; its date is the manual pages'.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog kwf_changelog_top LIMIT_COUNT 1)
if(NOT kwf_changelog_top MATCHES "^kwf-tqv \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the latest entry is not version ${PROJECT_VERSION}: ${kwf_changelog_top}")
endif()
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog kwf_changelog_trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT kwf_changelog_trailer MATCHES ", ([0-9][0-9]?) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no date in the latest entry's trailer line")
endif()
set(kwf_day ${CMAKE_MATCH_1})
set(kwf_year ${CMAKE_MATCH_3})
set(kwf_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND kwf_months ${CMAKE_MATCH_2} kwf_month)
math(EXPR kwf_month "${kwf_month} + 1")
string(LENGTH "${kwf_day}" n)
if(n EQUAL 1)
  set(kwf_day 0${kwf_day})
endif()
if(kwf_month LESS 10)
  set(kwf_month 0${kwf_month})
endif()
set(KWF_RELEASE_DATE ${kwf_year}-${kwf_month}-${kwf_day})

install(TARGETS kwf-tqv kwf-tqvctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kwf-panel-sim)
  install(TARGETS kwf-panel-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
configure_file(${CMAKE_SOURCE_DIR}/packaging/copyright ${KWF_PACKAGING_DIR}/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/KWF_TQV.doc ${KWF_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kwf-tqv.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kwf-tqv.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

if(UNIX AND NOT APPLE)
  foreach(kind service timer)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/systemd/kwf-tqv-synchro@.${kind}.in
                   ${KWF_PACKAGING_DIR}/systemd/kwf-tqv-synchro@.${kind} @ONLY)
    install(FILES ${KWF_PACKAGING_DIR}/systemd/kwf-tqv-synchro@.${kind} DESTINATION lib/systemd/user)
  endforeach()

  # The manual pages and the completion, made from each program's --help; the changelog, compressed
  # as Debian wants (gzip -9, no name or time stamp inside).
  add_executable(kwf-mkman ${CMAKE_SOURCE_DIR}/tools/mkman.cpp)
  target_link_libraries(kwf-mkman PRIVATE Qt6::Core)
  set(kwf_generated)
  set(kwf_programs kwf-tqv kwf-tqvctl)
  if(TARGET kwf-panel-sim)
    list(APPEND kwf_programs kwf-panel-sim)
  endif()
  foreach(prog ${kwf_programs})
    set(page ${KWF_PACKAGING_DIR}/man/${prog}.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KWF_PACKAGING_DIR}/man
      COMMAND kwf-mkman man ${CMAKE_SOURCE_DIR}/packaging/man/${prog}.1.in $<TARGET_FILE:${prog}> ${page}
              ${PROJECT_VERSION} ${KWF_RELEASE_DATE}
      COMMAND gzip -9nf ${page}
      DEPENDS kwf-mkman ${prog} ${CMAKE_SOURCE_DIR}/packaging/man/${prog}.1.in
      COMMENT "Page de manuel ${prog}(1)")
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    list(APPEND kwf_generated ${page}.gz)
  endforeach()
  set(completion ${KWF_PACKAGING_DIR}/completion/kwf-tqvctl)
  add_custom_command(OUTPUT ${completion}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KWF_PACKAGING_DIR}/completion
    COMMAND kwf-mkman bash ${CMAKE_SOURCE_DIR}/packaging/completion/kwf-tqvctl.bash.in $<TARGET_FILE:kwf-tqvctl>
            ${completion}
    DEPENDS kwf-mkman kwf-tqvctl ${CMAKE_SOURCE_DIR}/packaging/completion/kwf-tqvctl.bash.in
    COMMENT "Complétion bash de kwf-tqvctl")
  install(FILES ${completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  add_custom_command(OUTPUT ${KWF_PACKAGING_DIR}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/packaging/changelog ${KWF_PACKAGING_DIR}/changelog
    COMMAND gzip -9nf ${KWF_PACKAGING_DIR}/changelog
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
  install(FILES ${KWF_PACKAGING_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
  add_custom_target(kwf-packaging-files ALL DEPENDS ${kwf_generated} ${completion} ${KWF_PACKAGING_DIR}/changelog.gz)
endif()

set(CPACK_PACKAGE_NAME kwf-tqv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KWF_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KWF_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "outil de configuration des afficheurs électroniques KWF TQV")
file(READ ${CMAKE_SOURCE_DIR}/packaging/description.txt CPACK_PACKAGE_DESCRIPTION)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES TRUE)
# Stripped as Debian's own packages are: no compiler notes left in the programs.
find_program(KWF_OBJCOPY NAMES ${CMAKE_OBJCOPY} objcopy)
if(KWF_OBJCOPY)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/strip-notes.cmake.in ${KWF_PACKAGING_DIR}/strip-notes.cmake @ONLY)
  set(CPACK_PRE_BUILD_SCRIPTS ${KWF_PACKAGING_DIR}/strip-notes.cmake)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The libraries the programs link, as dpkg-shlibdeps finds them (Qt D-Bus included).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without Qt's translations the standard dialogs' buttons are in English. No office suite: the
# guide opens inside the program when the desktop has no viewer for it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
# Control files with the permissions Debian wants.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)

# The package built afresh from this tree, alone in its folder: what the package tests check.
set(KWF_DEB_DIR ${CMAKE_BINARY_DIR}/deb)
add_custom_target(deb
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${KWF_DEB_DIR}
  COMMAND ${CMAKE_CPACK_COMMAND} -G DEB -B ${KWF_DEB_DIR} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${KWF_DEB_DIR}/_CPack_Packages
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Paquet Debian dans ${KWF_DEB_DIR}")
add_dependencies(deb kwf-tqv kwf-tqvctl kwf-help)
if(TARGET kwf-panel-sim)
  add_dependencies(deb kwf-panel-sim)
endif()
if(TARGET kwf-packaging-files)
  add_dependencies(deb kwf-packaging-files)
endif()
