# SPDX-License-Identifier: GPL-3.0-or-later
# One interface target that every library and program of Varnel links.
add_library(varnel_warnings INTERFACE)
target_compile_options(varnel_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
if(VARNEL_WERROR)
  target_compile_options(varnel_warnings INTERFACE -Werror)
endif()
