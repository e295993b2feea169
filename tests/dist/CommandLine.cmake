# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the program with --version, --help and a wrong option, and checks what
# each prints and the exit status. Help and version need no display: they run
# without a Qt platform and without X11 or Wayland.
set(no_display ${CMAKE_COMMAND} -E env --unset=QT_QPA_PLATFORM --unset=DISPLAY --unset=WAYLAND_DISPLAY)

function(run expected_status stdout_var stderr_var)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status STREQUAL expected_status)
    message(FATAL_ERROR "${ARGN}: exit status ${status}, expected ${expected_status}\n${out}\n${err}")
  endif()
  set(${stdout_var} "${out}" PARENT_SCOPE)
  set(${stderr_var} "${err}" PARENT_SCOPE)
endfunction()

function(expect text pattern what)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: expected ${pattern} in:\n${text}")
  endif()
endfunction()

# Both programs name their version, copyright and licence alike.
run(0 out err ${no_display} ${PROGRAM} --version)
expect("${out}" "^Varnel ${VERSION}\nCopyright \\(C\\) [0-9]+ [^\n]+\nLicense GPLv3\\+: GNU GPL version 3 or later" "--version")
string(REPLACE "Varnel ${VERSION}\n" "" licence "${out}")
run(0 out err ${no_display} ${CLI} --version)
if(NOT out STREQUAL "varnel-cli ${VERSION}\n${licence}")
  message(FATAL_ERROR "varnel-cli --version:\n${out}\nexpected the licence of varnel --version:\n${licence}")
endif()

run(0 out err ${no_display} ${PROGRAM} --help)
expect("${out}" "^Usage: varnel \\[options\\] \\[archive.pak\\]\n" "--help")
expect("${out}" "--version" "--help")

# A wrong option is answered before the window system starts.
run(2 out err ${no_display} ${PROGRAM} --bogus)
expect("${err}" "Unknown option 'bogus'" "--bogus")
expect("${err}" "\nUsage: varnel \\[options\\] \\[archive.pak\\]\n" "--bogus")
if(NOT out STREQUAL "")
  message(FATAL_ERROR "--bogus printed to standard output: ${out}")
endif()

# ./run.sh started from another folder hands the program the archive it was
# given there: run.sh's own copy, with stand-ins for the installer, cmake and
# the program, which writes down the arguments it got.
set(tree ${SCRATCH}/run-tree)
file(REMOVE_RECURSE ${tree})
file(MAKE_DIRECTORY ${tree}/scripts ${tree}/build/release/app ${tree}/bin ${tree}/elsewhere)
file(COPY ${SOURCE_DIR}/run.sh DESTINATION ${tree})
file(WRITE ${tree}/build/release/CMakeCache.txt "")
file(WRITE ${tree}/elsewhere/pak0.pak "PACK")
foreach(stand_in scripts/install-deps.sh bin/cmake build/release/app/varnel)
  file(WRITE ${tree}/${stand_in} "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/arguments\"\n")
  file(CHMOD ${tree}/${stand_in} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${tree}/bin:$ENV{PATH}" ${tree}/run.sh -style fusion pak0.pak
                WORKING_DIRECTORY ${tree}/elsewhere RESULT_VARIABLE status ERROR_VARIABLE err)
file(READ ${tree}/build/release/app/arguments got)
if(NOT status EQUAL 0 OR NOT got STREQUAL "-style\nfusion\n${tree}/elsewhere/pak0.pak\n")
  message(FATAL_ERROR "run.sh from another folder (${status}) passed:\n${got}\n${err}")
endif()
