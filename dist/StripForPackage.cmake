# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack on the files it is about to package: strips the programs and
# the module as Debian's own tools do, the compiler's .comment and .note
# sections included, which a plain strip keeps.
file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file ${files})
  if(IS_SYMLINK ${file})
    continue()
  endif()
  file(READ ${file} magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND ${CPACK_VARNEL_STRIP} --remove-section=.comment --remove-section=.note --strip-unneeded
                            ${file} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
