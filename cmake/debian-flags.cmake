# SPDX-License-Identifier: MIT
# A Debian package build's flags, taken as Debian's own packages take them:
# from dpkg-buildflags with full hardening asked for, so that each release's
# own hardening applies, and with the source folder mapped to ".", so that
# the packages are the same bytes whichever folder builds them. Flags given
# on the command line or in the environment (as debhelper gives them) win.
# Without dpkg-buildflags, Debian 12's flags.
if(CMAKE_CXX_FLAGS OR CMAKE_C_FLAGS OR CMAKE_EXE_LINKER_FLAGS OR CMAKE_SHARED_LINKER_FLAGS)
  return()
endif()
find_program(QUORVEL_DPKG_BUILDFLAGS dpkg-buildflags)
if(QUORVEL_DPKG_BUILDFLAGS)
  foreach(kind IN ITEMS CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
        ${QUORVEL_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE ${kind} OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  # dpkg-buildflags maps the folder it runs in, where its release does.
  foreach(kind IN ITEMS CFLAGS CXXFLAGS)
    string(REGEX REPLACE " *-ffile-prefix-map=[^ ]*" "" ${kind} "${${kind}}")
  endforeach()
else()
  message(STATUS "quorvel: dpkg-buildflags not found (Debian: dpkg-dev), so the Debian build takes Debian 12's hardening flags")
  set(CPPFLAGS "-Wdate-time -D_FORTIFY_SOURCE=2")
  set(CXXFLAGS "-g -O2 -fstack-protector-strong -Wformat -Werror=format-security")
  set(CFLAGS "${CXXFLAGS}")
  set(LDFLAGS "-Wl,-z,relro -Wl,-z,now")
endif()
set(CMAKE_CXX_FLAGS "${CXXFLAGS} -ffile-prefix-map=${PROJECT_SOURCE_DIR}=. ${CPPFLAGS}")
# C is the Python module's.
set(CMAKE_C_FLAGS "${CFLAGS} -ffile-prefix-map=${PROJECT_SOURCE_DIR}=. ${CPPFLAGS}")
set(CMAKE_EXE_LINKER_FLAGS "${LDFLAGS}")
set(CMAKE_MODULE_LINKER_FLAGS "${LDFLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS "${LDFLAGS}")
message(STATUS "quorvel: the Debian build's flags: ${CMAKE_CXX_FLAGS}; linked with ${LDFLAGS}")
