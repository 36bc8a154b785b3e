# SPDX-License-Identifier: BSD-3-Clause
# Hardened optimised builds, with the flags Debian builds its packages with:
# checked string and memory functions, stack protector and stack-clash
# probes, control-flow protection, format checks, and for the installed
# programs full RELRO with immediate binding and no .comment section.
# Left out with the sanitizers and the fuzzers, whose runtimes replace the
# same functions.
option(QUORVANE_HARDENING "Build Release and RelWithDebInfo with Debian's hardening flags" ON)

set(_quorvane_hardened OFF)
if(QUORVANE_HARDENING AND NOT MSVC AND NOT QUORVANE_SANITIZE AND NOT QUORVANE_BUILD_FUZZ)
  set(_quorvane_hardened ON)
  set(_optimised "$<CONFIG:Release,RelWithDebInfo>")
  # _FORTIFY_SOURCE needs the optimiser, so only the optimised types get it.
  add_compile_options(
    "$<${_optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
    "$<${_optimised}:-fstack-protector-strong;-fstack-clash-protection>"
    "$<${_optimised}:-Wformat;-Werror=format-security>")
  include(CheckCXXCompilerFlag)
  check_cxx_compiler_flag(-fcf-protection QUORVANE_HAVE_CF_PROTECTION)
  if(QUORVANE_HAVE_CF_PROTECTION)
    add_compile_options("$<${_optimised}:-fcf-protection>")
  endif()
endif()

find_program(QUORVANE_OBJCOPY NAMES ${CMAKE_OBJCOPY} objcopy)

# quorvane_harden_program(<target>): the link and section hardening of an
# installed program or module; called where the target is made.
function(quorvane_harden_program target)
  if(NOT UNIX OR APPLE)
    return()
  endif()
  # Relocations resolved at start and the table made read-only.
  target_link_options(${target} PRIVATE LINKER:-z,relro,-z,now)
  # The compilers' version strings carry nothing a user needs.
  if(_quorvane_hardened AND QUORVANE_OBJCOPY)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND "$<${_optimised}:${QUORVANE_OBJCOPY};--remove-section=.comment;$<TARGET_FILE:${target}>>"
      COMMAND_EXPAND_LISTS
      VERBATIM)
  endif()
endfunction()
