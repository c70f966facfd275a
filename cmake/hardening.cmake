# Hardening of the native Linux build, as Debian builds its packages with
# hardening=+all: the stack protector, fortified C library calls (only when
# optimising, which they need), format strings checked, position-independent
# code (GCC's default here) and, at link time, every symbol bound at start-up
# and the relocated data, the Global Offset Table among it, made read-only.
# Where dpkg-buildflags is installed the flags are its own, so they follow the
# system's policy; optimisation and debug information stay the build type's,
# and no flag names a folder of the build. Elsewhere they are Debian 12's.
set(runabout_hardening_flags
  CPPFLAGS -D_FORTIFY_SOURCE=2
  CXXFLAGS -fstack-protector-strong -Wformat -Werror=format-security
  LDFLAGS -Wl,-z,relro -Wl,-z,now)
find_program(RUNABOUT_DPKG_BUILDFLAGS dpkg-buildflags)
if(RUNABOUT_DPKG_BUILDFLAGS)
  set(runabout_hardening_flags "")
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env
        "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-all"
        "DEB_${kind}_MAINT_STRIP=-g -O2"
        ${RUNABOUT_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(APPEND runabout_hardening_flags ${kind} ${flags})
  endforeach()
endif()

set(kind "")
foreach(flag ${runabout_hardening_flags})
  if(flag MATCHES "^(CPPFLAGS|CXXFLAGS|LDFLAGS)$")
    set(kind ${flag})
  elseif(kind STREQUAL "LDFLAGS")
    add_link_options(${flag})
  elseif(flag MATCHES "^-D_FORTIFY_SOURCE")
    # glibc warns, and so fails a -Werror build, when nothing is optimised.
    add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
  else()
    add_compile_options(${flag})
  endif()
endforeach()
unset(kind)
unset(flags)
