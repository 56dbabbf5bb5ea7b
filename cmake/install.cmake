# SPDX-License-Identifier: MIT
# Installing: the program, its manual page and, in a Debian build, each
# package's copyright and changelog (component "runtime", package quorvel);
# a shared library's versioned file (component "library", package
# libquorvel1); the search as a static library or a shared library's link,
# with its headers, a CMake package and a pkg-config file (component
# "development", package libquorvel-dev). Included only when QUORVEL_INSTALL
# is on.

install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)

# Compresses `file`, a path in the build folder, into file.gz beside it as
# part of every build, without a timestamp in the gzip header so that
# builds repeat byte for byte.
function(quorvel_gzip file target)
  add_custom_command(OUTPUT ${file}.gz
    COMMAND gzip -9 -n -k -f ${file}
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${file}
    COMMENT "Compressing ${file}" VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${file}.gz)
endfunction()

if(WIN32)
  # Windows has no manual pages, and nothing else there carries the licence.
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT runtime)
else()
  # Manual pages are installed compressed.
  quorvel_gzip(doc/quorvel.1 quorvel_manual)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/doc/quorvel.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
endif()

# A shared library's versioned file is what programs load, and goes to the
# runtime library package; its unversioned link is for building, and goes
# to the development package with the static library.
set(quorvel_libraries quorvel_search)
if(TARGET quorvel_search_static)
  list(APPEND quorvel_libraries quorvel_search_static)
endif()
install(TARGETS ${quorvel_libraries} EXPORT quorvelTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library)
install(DIRECTORY include/quorvel ${CMAKE_CURRENT_BINARY_DIR}/include/quorvel
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

set(QUORVEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quorvel)
install(EXPORT quorvelTargets NAMESPACE quorvel::
  DESTINATION ${QUORVEL_CMAKE_DIR} COMPONENT development)
include(CMakePackageConfigHelpers)
configure_package_config_file(cmake/quorvelConfig.cmake.in quorvelConfig.cmake
  INSTALL_DESTINATION ${QUORVEL_CMAKE_DIR})
write_basic_package_version_file(quorvelConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/quorvelConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/quorvelConfigVersion.cmake
  DESTINATION ${QUORVEL_CMAKE_DIR} COMPONENT development)

# pkg-config finds the prefix from the file's own folder, so the file stays
# right wherever the install is moved or extracted.
file(RELATIVE_PATH QUORVEL_PC_TO_PREFIX
  /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" QUORVEL_PC_TO_PREFIX "${QUORVEL_PC_TO_PREFIX}")
set(QUORVEL_PC_PREFIX "\${pcfiledir}/${QUORVEL_PC_TO_PREFIX}")
if(QUORVEL_DEBIAN)
  # A system package is never moved, and pkg-config leaves out -I/usr/include
  # only when it is spelled so.
  set(QUORVEL_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
endif()
configure_file(cmake/quorvel.pc.in quorvel.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quorvel.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# Debian packages: `cmake --workflow --preset deb` makes quorvel (the
# program and its manual page) and libquorvel-dev (the search library).
# Each description's first line is its package's summary.
set(CPACK_PACKAGE_VENDOR "The quorvel authors")
set(CPACK_PACKAGE_CONTACT "quorvel maintainers <maintainers@users.noreply.c-seed-2aaa50ba.example>")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
if(BUILD_SHARED_LIBS)
  list(APPEND CPACK_COMPONENTS_ALL library)
endif()
if(TARGET quorvel_python)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE quorvel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME quorvel)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "ask for ten whole numbers and name the highest
quorvel asks for ten whole numbers on the console, one prompt at a time,
and names the highest of them. Values can be typed at a terminal or piped
in by a script; input that ends early, a value that is not a 32-bit whole
number, and a failed read or write are reported on standard error with
exit status 1.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquorvel-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(search_description "Its search returns the highest value of an array, and the position of its
first occurrence, for signed and unsigned integers of 8 to 64 bits, float
and double, in one vectorised pass, choosing the widest instruction set the
CPU has. It is called as quorvel::largestElement and
quorvel::largestElementIndex from C++, and as quorvel_largest_element_<type>
and quorvel_largest_element_index_<type> from C.")
if(BUILD_SHARED_LIBS)
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libquorvel${PROJECT_VERSION_MAJOR})
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_LIBRARY_DESCRIPTION "largest-element search for arrays of numbers (library)
The shared library libquorvel.so.${PROJECT_VERSION_MAJOR}, for programs linked against it.
${search_description}")
  # Programs linked against the library depend on its package, by the
  # shlibs file, and the package has ldconfig run when it comes and goes.
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  # A trigger has dpkg run ldconfig once for everything it installs, as
  # lintian asks. CPack's maintainer scripts run it as well, which does no
  # harm; the package's lintian overrides say so.
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
  # The symbols file records the version that added each exported function,
  # so a program depends on the oldest libquorvel1 that has what it calls.
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers
    ${CMAKE_CURRENT_SOURCE_DIR}/cmake/debian/symbols)
  set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
  set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS library)
endif()
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "largest-element search for arrays of numbers (development)
The header, the static library and the shared library's link of libquorvel.
${search_description}
Includes a CMake package (find_package(quorvel), targets quorvel::search
and quorvel::search_static) and a pkg-config file (quorvel).")

# The Python package, for every Debian python3 from the Limited API's
# version on, and the library of this version. dpkg-shlibdeps finds the
# library in the build folder, and the C library's version from it.
# Its byte code is compiled when it is installed and removed before it is,
# as Debian's tools arrange for Python packages.
if(TARGET quorvel_python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-quorvel)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "libquorvel${PROJECT_VERSION_MAJOR} (>= ${PROJECT_VERSION}), python3 (>= ${QUORVEL_PYTHON_MINIMUM}~)")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "largest-element search for arrays of numbers (Python 3)
The Python package quorvel: quorvel.largest(values) and
quorvel.largest_index(values) return the highest value of an array and the
position of its first occurrence. They read a numpy array, array.array,
memoryview, bytes or bytearray of signed or unsigned integers of 8 to 64
bits, float32 or float64 in place, in one vectorised pass, and need no
numpy. One module serves every Python 3 from ${QUORVEL_PYTHON_MINIMUM} on.")
  foreach(script IN ITEMS postinst prerm)
    configure_file(cmake/debian/python3-quorvel.${script} debian/python/${script} COPYONLY)
  endforeach()
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_BINARY_DIR}/debian/python/postinst ${CMAKE_CURRENT_BINARY_DIR}/debian/python/prerm)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

# What Debian wants in each package's documentation folder: the licence in
# its machine-readable form and the packaging changelog, compressed.
if(QUORVEL_DEBIAN)
  file(READ LICENSE license)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" copyright_line "${license}")
  set(QUORVEL_COPYRIGHT "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "^.*${QUORVEL_COPYRIGHT}\n\n" "" terms "${license}")
  string(REGEX REPLACE "\n+$" "" terms "${terms}")
  string(REPLACE "\n\n" "\n.\n" terms "${terms}")
  string(REPLACE "\n" "\n " QUORVEL_LICENSE_TERMS " ${terms}")
  configure_file(cmake/debian/copyright.in debian/copyright @ONLY)

  set(QUORVEL_DEBIAN_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
  execute_process(COMMAND date -R -u -d ${QUORVEL_DATE}
    OUTPUT_VARIABLE QUORVEL_DEBIAN_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  configure_file(cmake/debian/changelog.in debian/changelog.Debian @ONLY)
  quorvel_gzip(debian/changelog.Debian quorvel_debian_changelog)

  foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER ${component} upper)
    set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
    install(FILES
      ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright
      ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian.gz
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
      COMPONENT ${component})
    # These packages are not uploaded to Debian, so there is no
    # intent-to-package bug for the first changelog entry to close.
    set(overrides "${package}: initial-upload-closes-no-bugs\n")
    if(component STREQUAL "library")
      string(APPEND overrides "# CPack's scripts run ldconfig beside the package's trigger.\n"
        "${package}: maintscript-calls-ldconfig [postinst]\n"
        "${package}: maintscript-calls-ldconfig [postrm]\n")
    endif()
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/${package}.lintian-overrides "${overrides}")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/${package}.lintian-overrides
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
      RENAME ${package}
      COMPONENT ${component})
  endforeach()
endif()

# The source archive (`cpack --config CPackSourceConfig.cmake`) holds what
# git would: no build folders, no .git, nothing .gitignore names.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/")
file(STRINGS .gitignore ignored REGEX "^[^#]")
foreach(pattern IN LISTS ignored)
  string(REGEX REPLACE "([.+^$()])" "\\\\\\1" pattern "${pattern}")
  string(REPLACE "*" "[^/]*" pattern "${pattern}")
  string(REPLACE "?" "[^/]" pattern "${pattern}")
  if(NOT pattern MATCHES "^/")
    set(pattern "/${pattern}")
  endif()
  if(NOT pattern MATCHES "/$")
    set(pattern "${pattern}$")
  endif()
  list(APPEND CPACK_SOURCE_IGNORE_FILES "${pattern}")
endforeach()

# Every timestamp in the packages is the release's date, so that two builds
# of one release give the same bytes wherever they run. An epoch set by
# whoever runs CPack wins.
execute_process(COMMAND date -u -d ${QUORVEL_DATE} +%s
  OUTPUT_VARIABLE QUORVEL_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(cmake/cpack-options.cmake.in cpack-options.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/cpack-options.cmake)

include(CPack)
