# The packages, made by CPack from the install tree. On Debian:
#
#   cmake --build build/release && cd build/release && cpack -G DEB
#
# gives quorlin_<version>_<architecture>.deb, which installs under /usr.
# Its dependencies on the C and C++ run-time libraries are read off the
# programs by dpkg-shlibdeps (from dpkg-dev). In a Windows build (the MinGW-w64
# cross build on Debian):
#
#   cmake --build build/windows && cd build/windows && cpack
#
# gives quorlin-<version>-windows-x64.zip, whose one folder of the same name
# holds the install tree: bin/*.exe, doc/*.html, README.md, examples/, and the
# libraries, headers and CMake package for MinGW-w64 projects.

set(QUORLIN_PACKAGE_MAINTAINER "Quorlin maintainers <maintainers@quorlin.invalid>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME quorlin)
set(CPACK_PACKAGE_VENDOR "Quorlin")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUORLIN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compiler for texture scripts")
# The long description as dpkg shows it: lines under 80 columns, paragraphs
# apart.
set(CPACK_PACKAGE_DESCRIPTION [[
Quorlin compiles texture scripts, small programs that compute a 4x4
texture matrix from a few run-time values, into compiled texture
scripts (.tfs) that a renderer loads and evaluates.

This package holds the quorlin compiler, tfsc (the same compiler with
GNU-style options and clang-style diagnostics: every problem of a
script in one run, each with its file, line and column), the
quorlin-lsp language server that editors start for problems,
completion and hover as you type, the tfsdump tool that checks and
lists compiled files and writes them back as scripts, the
quorlin-format tool that lays scripts out the canonical way, the
compiler library and the compiled-format library with their C++
headers, and a CMake package:
find_package(Quorlin CONFIG) gives the targets Quorlin::compiler and
Quorlin::tfs and the function quorlin_add_scripts, which compiles
scripts at build time.]])
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "quorlin-${PROJECT_VERSION}-windows-x64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_PACKAGE_NAME quorlin)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORLIN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The CMake package and the headers are for C++ projects built with CMake.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cmake (>= 3.25), g++ | clang")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
