# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a fresh prefix as the package carries it, checks
# that every file a desktop and a distribution need is there, and runs the
# checks that need no network: the validators on the desktop entry and the
# AppStream file, the copyright file and the changelog read by their rules,
# the man pages rendered, and the installed programs and file-manager
# actions run. A check whose tool is missing is skipped, and says so
# (scripts/install-deps.sh installs them all).
function(skipped tool)
  message(STATUS "skipped: ${tool} is not installed")
endfunction()

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} OUTPUT_QUIET
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(expected bin/varnel bin/varnel-cli share/bash-completion/completions/varnel-cli share/applications/varnel.desktop
             share/icons/hicolor/scalable/apps/varnel.svg share/man/man1/varnel.1.gz share/man/man1/varnel-cli.1.gz
             share/varnel/translations/varnel_de.qm share/doc/varnel/copyright share/doc/varnel/changelog.Debian.gz
             libexec/varnel/varnel-file-action share/kio/servicemenus/varnel-extract.desktop
             share/kio/servicemenus/varnel-pack.desktop)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/varnel.png)
endforeach()
foreach(file ${expected})
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
# The PNGs are drawn at their sizes: a PNG's width is at bytes 16-19.
file(READ ${PREFIX}/share/icons/hicolor/48x48/apps/varnel.png header LIMIT 24 HEX)
string(SUBSTRING "${header}" 32 8 width)
if(NOT width STREQUAL "00000030")
  message(FATAL_ERROR "the 48 px icon is 0x${width} px wide")
endif()

# The window opens one archive: a desktop given several files starts one program for each.
file(STRINGS ${PREFIX}/share/applications/varnel.desktop exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=varnel %f")
  message(FATAL_ERROR "the menu entry runs ${exec}")
endif()

file(GLOB metainfo ${PREFIX}/share/metainfo/*.metainfo.xml)
list(LENGTH metainfo metainfo_count)
if(NOT metainfo_count EQUAL 1)
  message(FATAL_ERROR "expected one AppStream file, found: ${metainfo}")
endif()

# Each validator must pass and say nothing at all, pedantic hints included.
# (A check's words are joined by "|" until it runs.)
set(checks)
if(DESKTOP_FILE_VALIDATE)
  list(APPEND checks "${DESKTOP_FILE_VALIDATE}|${PREFIX}/share/applications/varnel.desktop")
else()
  skipped(desktop-file-validate)
endif()
if(APPSTREAMCLI)
  list(APPEND checks "${APPSTREAMCLI}|validate|--pedantic|--no-net|--explain|${metainfo}"
       "${APPSTREAMCLI}|validate-tree|--pedantic|--no-net|--explain|${PREFIX}")
else()
  skipped(appstreamcli)
endif()
foreach(check ${checks})
  string(REPLACE "|" ";" check "${check}")
  execute_process(COMMAND ${check} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  message(STATUS "${check}:\n${output}")
  if(NOT status EQUAL 0 OR output MATCHES "(error|warning):|(^|\n)[EWIP]: ")
    message(FATAL_ERROR "validation failed (${status})")
  endif()
endforeach()
file(READ ${metainfo} appstream)
foreach(part "<project_license>GPL-3.0-or-later</project_license>" "<binary>varnel-cli</binary>"
             "<release version=\"${VERSION}\" date=\"[0-9]+-[0-9]+-[0-9]+\"" "<content_rating type=\"oars-1.1\"/>")
  if(NOT appstream MATCHES "${part}")
    message(FATAL_ERROR "the AppStream file lacks ${part}")
  endif()
endforeach()

# The copyright file in Debian's machine-readable format: its header, a
# Files paragraph for everything, and the text of each licence it names.
file(READ ${PREFIX}/share/doc/varnel/copyright copyright)
if(NOT copyright MATCHES "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")
  message(FATAL_ERROR "the copyright file is not machine-readable:\n${copyright}")
endif()
if(NOT copyright MATCHES "\n\nFiles: [*]\nCopyright: [^\n]+\nLicense: GPL-3[+]\n.*\n\nLicense: GPL-3[+]\n ")
  message(FATAL_ERROR "the copyright file lacks the program's Files or License paragraph:\n${copyright}")
endif()
if(NOT copyright MATCHES "^(([A-Z][A-Za-z-]*: [^\n]+| [^\n]+|)\n)+$")
  message(FATAL_ERROR "the copyright file has lines that are neither fields nor continuations:\n${copyright}")
endif()

# The changelog's entry names the package's version.
if(DPKG_PARSECHANGELOG)
  execute_process(COMMAND gzip -dc ${PREFIX}/share/doc/varnel/changelog.Debian.gz OUTPUT_FILE ${PREFIX}/changelog)
  execute_process(COMMAND ${DPKG_PARSECHANGELOG} -l ${PREFIX}/changelog -S Version OUTPUT_VARIABLE changelog_version
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status ERROR_VARIABLE output)
  if(NOT status EQUAL 0 OR NOT changelog_version MATCHES "^${VERSION}-[0-9]+$")
    message(FATAL_ERROR "changelog.Debian.gz (${status}): version '${changelog_version}' ${output}")
  endif()
else()
  skipped(dpkg-parsechangelog)
endif()

# The man pages render without a warning from man or groff, name the
# version and each other, and have the sections a reader looks for.
foreach(page varnel varnel-cli)
  set(file ${PREFIX}/share/man/man1/${page}.1.gz)
  if(MAN)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 ${MAN} --warnings -E UTF-8 -l ${file}
                    RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_VARIABLE warnings)
    if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
      message(FATAL_ERROR "man ${page} (${status}): ${warnings}")
    endif()
    foreach(section "EXIT STATUS" "EXAMPLES" "FILES" "AUTHORS" "COPYRIGHT" "SEE ALSO")
      if(NOT text MATCHES "\n${section}\n")
        message(FATAL_ERROR "man ${page} has no ${section} section")
      endif()
    endforeach()
    set(other varnel-cli)
    if(page STREQUAL varnel-cli)
      set(other varnel)
    endif()
    if(NOT text MATCHES "\nSEE ALSO\n[^\n]*${other}\\(1\\)" OR NOT text MATCHES "Varnel ${VERSION}")
      message(FATAL_ERROR "man ${page}: its SEE ALSO names no ${other}(1), or it names no version ${VERSION}")
    endif()
  else()
    skipped(man)
  endif()
endforeach()

execute_process(COMMAND ${PREFIX}/bin/varnel --version RESULT_VARIABLE status OUTPUT_VARIABLE output)
if(NOT status EQUAL 0 OR NOT output MATCHES "^Varnel [0-9]")
  message(FATAL_ERROR "the installed program answered --version with ${status}: ${output}")
endif()

# The installed command line finds its picture module relative to itself:
# a palette of 768 bytes becomes a 16 x 16 image.
execute_process(COMMAND head -c 768 /dev/urandom OUTPUT_FILE ${PREFIX}/palette.lmp)
execute_process(COMMAND ${PREFIX}/bin/varnel-cli convert ${PREFIX}/palette.lmp ${PREFIX}/palette.png
                RESULT_VARIABLE status ERROR_VARIABLE output)
if(NOT status EQUAL 0 OR NOT EXISTS ${PREFIX}/palette.png)
  message(FATAL_ERROR "the installed varnel-cli could not convert a palette (${status}): ${output}")
endif()

# The file managers' actions through the installed script and varnel-cli:
# a folder is packed beside itself, an archive extracted into a new folder
# named after it, nothing that exists is overwritten, and a failure is shown
# (here by a stand-in for notify-send that writes down what it was asked).
set(work ${PREFIX}/file-actions)
file(MAKE_DIRECTORY ${work}/bin ${work}/mymod/maps)
file(WRITE ${work}/mymod/maps/e1m1.bsp "map data")
file(WRITE ${work}/mymod/autoexec.cfg "exec quake.rc")
file(WRITE ${work}/bin/notify-send "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '${work}/notifications'\n")
file(CHMOD ${work}/bin/notify-send PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(file_action ${CMAKE_COMMAND} -E env "PATH=${work}/bin:/usr/bin:/bin" ${PREFIX}/libexec/varnel/varnel-file-action)
function(file_action expected_status)
  execute_process(COMMAND ${file_action} ${ARGN} WORKING_DIRECTORY ${work} RESULT_VARIABLE status ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "varnel-file-action ${ARGN}: exit status ${status}, expected ${expected_status}\n${err}")
  endif()
endfunction()
file_action(0 pack ${work}/mymod/)
file_action(0 pack ${work}/mymod)
# mymod exists: the archive goes to "mymod (2)", then "mymod (3)" and "mymod (4)".
file_action(0 extract ${work}/mymod.pak)
file(WRITE ${work}/mymod/autoexec.cfg "changed by hand")
file_action(0 extract ${work}/mymod.pak ${work}/mymod.pak)
foreach(folder "mymod (2)" "mymod (3)" "mymod (4)")
  file(READ "${work}/${folder}/maps/e1m1.bsp" map)
  file(READ "${work}/${folder}/autoexec.cfg" config)
  if(NOT map STREQUAL "map data" OR NOT config STREQUAL "exec quake.rc")
    message(FATAL_ERROR "${folder}: not the packed folder: '${map}' '${config}'")
  endif()
endforeach()
file(READ ${work}/mymod/autoexec.cfg config)
if(NOT config STREQUAL "changed by hand" OR NOT EXISTS "${work}/mymod (2).pak" OR EXISTS "${work}/mymod (5)")
  message(FATAL_ERROR "an action overwrote a file or made one too many")
endif()
file(WRITE ${work}/broken.pak "not an archive")
file_action(1 extract ${work}/broken.pak)
file(READ ${work}/notifications notification)
if(NOT notification MATCHES "Extracting broken.pak failed\n.*broken.pak: not a PAK file" OR EXISTS ${work}/broken)
  message(FATAL_ERROR "the failed extraction was shown as:\n${notification}\nor left a folder behind")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/InstalledCommandLine.cmake)
