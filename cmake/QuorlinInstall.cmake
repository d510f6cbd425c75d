# What `cmake --install` puts in place, and the CMake package that lets another
# project use it:
#
#   bin/quorlin, bin/tfsc, bin/tfsdump, bin/quorlin-format,
#   bin/quorlin-lsp                            the programs
#   lib/libquorlin_compiler.a                  the compiler library
#   lib/libquorlin_tfs.a                       the compiled-format library
#   include/quorlin/*.h                        their public headers
#   share/man/man1/*.1.gz                      their manual pages
#                                              (Windows: doc/*.html, and
#                                              README.md and examples/)
#   share/bash-completion/completions/tfsc,
#     tfsdump, quorlin-format                  bash completions
#   lib/cmake/Quorlin/                         find_package(Quorlin CONFIG)
#
# The package defines Quorlin::compiler (the compiler library, which brings
# Quorlin::tfs along), Quorlin::tfs (the reader of compiled files and the
# language's names, all a renderer links; Quorlin::format is its former name), Quorlin::quorlin, Quorlin::tfsc,
# Quorlin::tfsdump and Quorlin::quorlin-format (the programs) and the function
# quorlin_add_scripts. The Debian package is made from the same install tree
# (QuorlinPackaging.cmake).
#
# Included from the top-level CMakeLists.txt after the program and library
# targets exist.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QUORLIN_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/Quorlin"
    CACHE STRING "Where the Quorlin CMake package is installed, relative to the prefix")
mark_as_advanced(QUORLIN_INSTALL_CMAKEDIR)

# The include directory the library target names for installed use.
set(QUORLIN_INSTALL_INCLUDEDIR include/quorlin)

# ---------------------------------------------------------------------------
# Targets

# Consumers see the libraries as Quorlin::compiler and Quorlin::tfs, and
# may link them into a shared object (a renderer plug-in, say), which needs
# position-independent code.
set_target_properties(quorlin_compiler PROPERTIES
  EXPORT_NAME compiler
  POSITION_INDEPENDENT_CODE ON)
set_target_properties(quorlin_tfs PROPERTIES
  EXPORT_NAME tfs
  POSITION_INDEPENDENT_CODE ON)

# The libraries' warning flags are for building Quorlin itself. Being static
# libraries, they still list them in their link interfaces (as LINK_ONLY,
# where they add nothing), and an exported target may not name a target that
# is not exported itself, so the entry is left out of the link interface.
foreach(library quorlin_compiler quorlin_tfs)
  get_target_property(library_interface ${library} INTERFACE_LINK_LIBRARIES)
  if(library_interface)
    list(REMOVE_ITEM library_interface "$<LINK_ONLY:quorlin_warnings>")
    set_property(TARGET ${library} PROPERTY INTERFACE_LINK_LIBRARIES "${library_interface}")
  endif()
endforeach()

set(QUORLIN_INSTALLED_TARGETS quorlin_tfs quorlin_compiler quorlin tfsc tfsdump quorlin-format quorlin-lsp)

install(TARGETS ${QUORLIN_INSTALLED_TARGETS}
  EXPORT QuorlinTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# The public headers: Compile and the table of diagnostics, and the compiled-format library's constants, reader and
# names. The compiler object and its stages stay inside the project.
set(QUORLIN_PUBLIC_HEADERS
  compiler/quorlin/quorlin.h
  compiler/quorlin/diagnostics.h
  compiler/quorlin/diagnostics.def
  tfs/charclass.h
  tfs/compiledscriptformat.h
  tfs/languagenames.h
  tfs/tfsreader.h)
install(FILES ${QUORLIN_PUBLIC_HEADERS} DESTINATION ${QUORLIN_INSTALL_INCLUDEDIR})

# ---------------------------------------------------------------------------
# Manual pages: compressed as Debian installs them (uncompressed when there is
# no gzip); on Windows, which has no man, as HTML pages in doc/, beside the
# README and the example scripts.

set(QUORLIN_MAN_PAGES quorlin tfsc tfsdump quorlin-format quorlin-lsp)

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/QuorlinWindowsDocs.cmake)
else()
  find_program(QUORLIN_GZIP gzip)
  mark_as_advanced(QUORLIN_GZIP)
  set(QUORLIN_MAN_FILES)
  foreach(page IN LISTS QUORLIN_MAN_PAGES)
    set(source ${PROJECT_SOURCE_DIR}/man/${page}.1)
    if(QUORLIN_GZIP)
      # -n leaves the name and time out of the archive, so the file depends on
      # the page's text alone.
      set(copy ${PROJECT_BINARY_DIR}/man/${page}.1)
      add_custom_command(OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
        COMMAND ${QUORLIN_GZIP} -9 -n -f ${copy}
        DEPENDS ${source}
        COMMENT "Compressing the manual page ${page}.1"
        VERBATIM)
      list(APPEND QUORLIN_MAN_FILES ${copy}.gz)
    else()
      list(APPEND QUORLIN_MAN_FILES ${source})
    endif()
  endforeach()
  add_custom_target(quorlin_man_pages ALL DEPENDS ${QUORLIN_MAN_FILES})
  install(FILES ${QUORLIN_MAN_FILES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# ---------------------------------------------------------------------------
# Bash completions, where bash-completion loads them on demand (Debian's
# /usr/share/bash-completion/completions/NAME).

install(FILES
  ${PROJECT_SOURCE_DIR}/completions/tfsc
  ${PROJECT_SOURCE_DIR}/completions/tfsdump
  ${PROJECT_SOURCE_DIR}/completions/quorlin-format
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# ---------------------------------------------------------------------------
# The CMake package

install(EXPORT QuorlinTargets
  NAMESPACE Quorlin::
  DESTINATION ${QUORLIN_INSTALL_CMAKEDIR})

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/QuorlinConfig.cmake.in
  ${PROJECT_BINARY_DIR}/QuorlinConfig.cmake
  INSTALL_DESTINATION ${QUORLIN_INSTALL_CMAKEDIR}
  NO_SET_AND_CHECK_MACRO)

# A newer release of the same major version reads the same scripts and writes
# the same compiled format; the library is built for one architecture.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/QuorlinConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)

install(FILES
  ${PROJECT_BINARY_DIR}/QuorlinConfig.cmake
  ${PROJECT_BINARY_DIR}/QuorlinConfigVersion.cmake
  ${CMAKE_CURRENT_LIST_DIR}/QuorlinScripts.cmake
  DESTINATION ${QUORLIN_INSTALL_CMAKEDIR})

# The programs under their package names inside this build too, so that
# quorlin_add_scripts works here as it does for an installed package.
add_executable(Quorlin::quorlin ALIAS quorlin)
add_executable(Quorlin::tfsc ALIAS tfsc)
add_executable(Quorlin::tfsdump ALIAS tfsdump)
add_executable(Quorlin::quorlin-format ALIAS quorlin-format)
include(${CMAKE_CURRENT_LIST_DIR}/QuorlinScripts.cmake)

include(${CMAKE_CURRENT_LIST_DIR}/QuorlinPackaging.cmake)
