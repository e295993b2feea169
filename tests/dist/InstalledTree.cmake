# Installs the build into a fresh prefix, checks that every file a desktop
# needs is there, runs the validators on the installed desktop entry and
# AppStream file, and starts the installed program.
foreach(tool DESKTOP_FILE_VALIDATE APPSTREAMCLI)
  if(NOT ${tool})
    message(FATAL_ERROR "${tool}: not found; scripts/install-deps.sh installs it")
  endif()
endforeach()

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} OUTPUT_QUIET
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(expected bin/varnel bin/varnel-cli share/bash-completion/completions/varnel-cli share/applications/varnel.desktop share/metainfo/io.github.varnel.Varnel.metainfo.xml
             share/icons/hicolor/scalable/apps/varnel.svg share/man/man1/varnel.1.gz share/man/man1/varnel-cli.1.gz
             share/varnel/translations/varnel_de.qm)
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

# Each validator must pass and say nothing worse than a hint.
foreach(check "${DESKTOP_FILE_VALIDATE};${PREFIX}/share/applications/varnel.desktop"
              "${APPSTREAMCLI};validate;--no-net;--explain;${PREFIX}/share/metainfo/io.github.varnel.Varnel.metainfo.xml"
              "${APPSTREAMCLI};validate-tree;--no-net;--explain;${PREFIX}")
  execute_process(COMMAND ${check} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  message(STATUS "${check}:\n${output}")
  if(NOT status EQUAL 0 OR output MATCHES "(error|warning):|\nE:|\nW:")
    message(FATAL_ERROR "validation failed (${status})")
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

include(${CMAKE_CURRENT_LIST_DIR}/InstalledCommandLine.cmake)
