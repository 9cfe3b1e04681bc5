# Checks what the Debian package built from this tree (the "deb" target, in <build>/deb) holds.
find_program(DPKG_DEB dpkg-deb REQUIRED)
file(GLOB debs ${BUILD_DIR}/deb/kwf-tqv_*.deb)
list(LENGTH debs n)
if(NOT n EQUAL 1)
  message(FATAL_ERROR "expected the one package the deb target makes, found: ${debs}")
endif()
execute_process(COMMAND ${DPKG_DEB} -c ${debs} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
execute_process(COMMAND ${DPKG_DEB} -f ${debs} Version OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE)
foreach(expected "./usr/bin/kwf-tqv" "./usr/bin/kwf-tqvctl" "./usr/bin/kwf-panel-sim"
                 "./usr/share/doc/kwf-tqv/KWF_TQV.doc" "./usr/share/doc/kwf-tqv/changelog.gz"
                 "./usr/share/man/man1/kwf-tqv.1.gz" "./usr/share/man/man1/kwf-tqvctl.1.gz"
                 "./usr/share/man/man1/kwf-panel-sim.1.gz" "./usr/share/bash-completion/completions/kwf-tqvctl"
                 "./usr/share/applications/kwf-tqv.desktop"
                 "./usr/lib/systemd/user/kwf-tqv-synchro@.service" "./usr/lib/systemd/user/kwf-tqv-synchro@.timer"
                 "./usr/share/icons/hicolor/scalable/apps/kwf-tqv.svg")
  string(FIND "${listing}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the package lacks ${expected}:\n${listing}")
  endif()
endforeach()
if(NOT version STREQUAL "1.0.6")
  message(FATAL_ERROR "package version is '${version}'")
endif()
# Dependencies found by dpkg-shlibdeps: every Qt library the programs link, D-Bus included.
execute_process(COMMAND ${DPKG_DEB} -f ${debs} Depends OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${DPKG_DEB} -f ${debs} Recommends OUTPUT_VARIABLE recommends OUTPUT_STRIP_TRAILING_WHITESPACE)
foreach(lib libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6dbus6 libc6)
  string(FIND "${depends}" "${lib}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "Depends lacks ${lib}: ${depends}")
  endif()
endforeach()
if(NOT recommends MATCHES "qt6-translations-l10n" OR recommends MATCHES "office|abiword")
  message(FATAL_ERROR "Recommends should be Qt's translations only: ${recommends}")
endif()
string(FIND "${listing}" "./usr/share/doc/kwf-tqv/copyright" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the package has no copyright file")
endif()
if(listing MATCHES "\\./opt/|\\./etc/|/lib/systemd/system/")
  message(FATAL_ERROR "files outside /usr or system units in the package:\n${listing}")
endif()

# Unpacked into a scratch root, the desktop entry validates, and the installed program, run by an
# ordinary user with a scratch HOME, keeps its files in that user's folder: the read-only program
# folder holds only the site-wide default, read while the user has no file of their own.
# The scratch root is one the ordinary user can reach: the build tree may sit in a folder that only
# its owner may enter (root's home is 0700 on a new machine).
string(RANDOM LENGTH 10 tag)
set(root /tmp/kwf-package-${tag})
file(MAKE_DIRECTORY ${root}/home)
file(CHMOD ${root} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
execute_process(COMMAND ${DPKG_DEB} -x ${debs} ${root}/fs RESULT_VARIABLE rc)
find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND ${VALIDATE} ${root}/fs/usr/share/applications/kwf-tqv.desktop
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate: ${out}")
  endif()
else()
  message(WARNING "desktop-file-validate not installed (scripts/deps.sh installs it): entry not validated")
endif()
# The site-wide default, where the administrator puts it.
set(program ${root}/fs/usr/bin/kwf-tqv)
set(site ${root}/fs/etc/kwf-tqv)
file(WRITE ${site}/Configuration_TQV.zol "site-wide")
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
if(uid STREQUAL "0")
  # root may write anywhere: run as nobody, as an ordinary user would.
  execute_process(COMMAND chown -R 65534:65534 ${root}/home)
  set(as setpriv --reuid=65534 --regid=65534 --clear-groups)
else()
  execute_process(COMMAND chmod -R a-w ${site} ${root}/fs/usr)
  set(as)
endif()
set(user_file ${root}/home/.local/share/kwf-tqv/Configuration_TQV.zol)
foreach(start first second)
  execute_process(COMMAND ${as} env -i HOME=${root}/home PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen ${program} --lieux
                  RESULT_VARIABLE rc OUTPUT_VARIABLE places ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the installed program failed (${rc}): ${err}")
  endif()
  if(start STREQUAL "first")
    set(expected_read ${site}/Configuration_TQV.zol)
  else()
    set(expected_read ${user_file})
  endif()
  foreach(line "Fichier de configuration enregistré : ${user_file}"
               "Fichier de configuration lu au démarrage : ${expected_read}"
               "Liens dosdevices : ${root}/home/.local/share/kwf-tqv/dosdevices"
               "Réglages communs : ${site}"
               "Guide : ${root}/fs/usr/share/doc/kwf-tqv/KWF_TQV.doc")
    string(FIND "${places}" "${line}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${start} start: expected '${line}' in:\n${places}")
    endif()
  endforeach()
  # What a save writes: the user's own default file, read at the next start.
  execute_process(COMMAND ${as} sh -c "printf 'user\\r\\n' > '${user_file}'" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the user cannot write ${user_file}")
  endif()
endforeach()
file(READ ${site}/Configuration_TQV.zol site_text)
if(NOT "${site_text}" STREQUAL "site-wide")
  message(FATAL_ERROR "the site-wide default was changed: '${site_text}'")
endif()
execute_process(COMMAND chmod -R u+w ${root})
file(REMOVE_RECURSE ${root})
message(STATUS "package ${debs}: contents, dependencies, copyright, desktop entry, site and per-user files checked")
