# Hardening of the native Linux build, as Debian builds its packages with
# hardening=+all: the stack protector, format strings checked,
# position-independent code (GCC's default here) and, at link time, every
# symbol bound at start-up and the relocated data, the Global Offset Table
# among it, made read-only. _FORTIFY_SOURCE comes with them; it checks the C
# library calls whose buffer sizes the compiler knows, and Runabout makes
# none, so nothing in it is fortified.
# Where dpkg-buildflags is installed the flags are its own, so they follow the
# system's policy (/etc/dpkg/buildflags.conf), asked in a clean environment:
# the builder's DEB_* settings (noopt, *_APPEND...) reach no build. Its
# optimisation and debug flags are dropped, whatever they are, and so are its
# optimize features (LTO), as those stay the build type's; its reproducible
# ones would name a folder of the build. Elsewhere the flags are Debian 12's.
function(runabout_harden)
  set(hardening_flags
    CPPFLAGS -D_FORTIFY_SOURCE=2
    CXXFLAGS -fstack-protector-strong -Wformat -Werror=format-security
    LDFLAGS -Wl,-z,relro -Wl,-z,now)
  find_program(RUNABOUT_DPKG_BUILDFLAGS dpkg-buildflags)
  if(RUNABOUT_DPKG_BUILDFLAGS)
    set(hardening_flags "")
    set(features "hardening=+all optimize=-all reproducible=-all")
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(
        COMMAND env -i "PATH=$ENV{PATH}" "DEB_BUILD_MAINT_OPTIONS=${features}"
          ${RUNABOUT_DPKG_BUILDFLAGS} --get ${kind}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
      separate_arguments(flags UNIX_COMMAND "${flags}")
      list(FILTER flags EXCLUDE REGEX "^-[Og]")
      list(APPEND hardening_flags ${kind} ${flags})
    endforeach()
  endif()

  # The builder's flags (CXXFLAGS, CMAKE_CXX_FLAGS and its per-type forms),
  # as Fedora's and Arch Linux's package builds set -Wp,-D_FORTIFY_SOURCE=3.
  set(builder_flags ${CMAKE_CXX_FLAGS})
  foreach(type DEBUG RELEASE RELWITHDEBINFO MINSIZEREL)
    string(APPEND builder_flags " ${CMAKE_CXX_FLAGS_${type}}")
  endforeach()
  set(builder_fortifies FALSE)
  if(builder_flags MATCHES "_FORTIFY_SOURCE")
    set(builder_fortifies TRUE)
  endif()

  set(kind "")
  foreach(flag ${hardening_flags})
    if(flag MATCHES "^(CPPFLAGS|CXXFLAGS|LDFLAGS)$")
      set(kind ${flag})
    elseif(kind STREQUAL "LDFLAGS")
      add_link_options(${flag})
    elseif(flag MATCHES "^-D_FORTIFY_SOURCE")
      # A level the builder chose stays as it is; defining it again would be
      # a warning on every file. Any other, the compiler's own among them
      # (some distributions' compilers define it), is replaced by this one.
      # glibc warns when nothing is optimised, so Debug builds go without.
      if(NOT builder_fortifies)
        add_compile_options(
          "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;${flag}>")
      endif()
    else()
      add_compile_options(${flag})
    endif()
  endforeach()
endfunction()

runabout_harden()
