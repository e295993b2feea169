# SPDX-License-Identifier: GPL-3.0-or-later
# The installed varnel-cli as a user meets it: patterns by the rule its man
# page gives, check's line for a sound archive, and the standard streams.
# Included by InstalledTree.cmake with PREFIX set to the installed tree.
set(cli ${PREFIX}/bin/varnel-cli)
set(work ${PREFIX}/cli-work)
file(REMOVE_RECURSE ${work})
file(WRITE ${work}/mod/maps/e1m1.bsp "1")
file(WRITE ${work}/mod/maps/dm/dm1.bsp "2")
file(WRITE ${work}/mod/maps/e1m1.lit "3")
file(WRITE ${work}/mod/sound/hit.wav "4")

function(cli expected_status)
  execute_process(COMMAND ${cli} ${ARGN} WORKING_DIRECTORY ${work} RESULT_VARIABLE status OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT status STREQUAL expected_status)
    message(FATAL_ERROR "varnel-cli ${ARGN}: exit status ${status}, expected ${expected_status}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()
function(expect_equal actual expected what)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what}: expected\n${expected}\ngot\n${actual}")
  endif()
endfunction()

cli(0 create -C mod p.pak maps/dm/dm1.bsp maps/e1m1.bsp maps/e1m1.lit sound/hit.wav)
cli(0 check p.pak)
expect_equal("${out}" "p.pak: no problems found (4 entries)\n" "check of a sound archive")
cli(0 check -q p.pak)
expect_equal("${out}" "" "check -q")

# Without "/" a pattern finds file names at any depth; with "/", "*" stops at "/" and "**" does not.
foreach(case "*.bsp|maps/dm/dm1.bsp;maps/e1m1.bsp" "maps/*.bsp|maps/e1m1.bsp" "maps/**.bsp|maps/dm/dm1.bsp;maps/e1m1.bsp"
             "E1M1.*|maps/e1m1.bsp;maps/e1m1.lit")
  string(REPLACE "|" ";" parts "${case}")
  list(POP_FRONT parts pattern)
  file(REMOVE_RECURSE ${work}/out)
  cli(0 extract p.pak -o out ${pattern})
  file(GLOB_RECURSE found RELATIVE ${work}/out ${work}/out/*)
  list(SORT found)
  expect_equal("${found}" "${parts}" "extract ${pattern}")
endforeach()
cli(1 extract p.pak -o out e1m1.bsp.orig)
if(NOT err MATCHES "e1m1.bsp.orig: no entry matches\n.*put patterns in quotes")
  message(FATAL_ERROR "a pattern that matched nothing: ${err}")
endif()

# "-" is no archive; -0 ends names with NUL bytes.
cli(2 list -)
if(NOT err MATCHES "-: an archive cannot be read from standard input")
  message(FATAL_ERROR "list -: ${err}")
endif()
execute_process(COMMAND ${cli} list -0 p.pak COMMAND od -An -c WORKING_DIRECTORY ${work} OUTPUT_VARIABLE dump)
string(REGEX REPLACE "[ \n]+" "" dump "${dump}")
expect_equal("${dump}" "maps/dm/dm1.bsp\\0maps/e1m1.bsp\\0maps/e1m1.lit\\0sound/hit.wav\\0" "list -0")
