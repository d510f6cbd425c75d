# quorlin_add_scripts(<target> [OUTPUT_DIRECTORY <dir>] <script>...)
#
# Compiles texture scripts to compiled texture scripts (.tfs) at build time
# with the tfsc program (the target Quorlin::tfsc).
#
# Each <script>, relative to the current source directory unless absolute,
# becomes <dir>/<name>.tfs, where <name> is the script's file name without
# its last extension and <dir> is OUTPUT_DIRECTORY (relative to the current
# binary directory unless absolute), by default the current binary directory.
# In a cross build, tfsc runs through the emulator that CMAKE_CROSSCOMPILING_EMULATOR
# names (Wine for Windows programs on Linux), which must be set before
# find_package(Quorlin). A script is compiled again when it or tfsc changes. A script that does not
# compile fails the build, and tfsc's diagnostics show in the build's output
# as "<script>:LINE:COLUMN: error: ..." lines with the script's absolute path,
# which IDEs and editors jump to; no .tfs file is left for it. Warnings show
# the same way and do not fail the build.
#
# When <target> does not exist it is created as a custom target of the default
# build. When it does (an executable, a library, a custom target), it is made
# to depend on the compiled files, so they are brought up to date whenever it
# is built. The target property QUORLIN_TFS_FILES lists the .tfs files, for
# example for install(FILES $<TARGET_PROPERTY:<target>,QUORLIN_TFS_FILES> ...).

include_guard(GLOBAL)

function(quorlin_add_scripts target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT_DIRECTORY" "")
  set(scripts ${arg_UNPARSED_ARGUMENTS})
  if(arg_KEYWORDS_MISSING_VALUES)
    message(FATAL_ERROR "quorlin_add_scripts(${target}): OUTPUT_DIRECTORY needs a directory")
  endif()
  if(NOT scripts)
    message(FATAL_ERROR "quorlin_add_scripts(${target}): no script given")
  endif()
  if(NOT TARGET Quorlin::tfsc)
    message(FATAL_ERROR "quorlin_add_scripts(${target}): the target Quorlin::tfsc is not "
      "visible here; call find_package(Quorlin CONFIG REQUIRED) in this directory or a parent")
  endif()
  # CMake puts the emulator before a program of the build itself, not before
  # an imported one, so it is named here.
  set(tfsc Quorlin::tfsc)
  if(CMAKE_CROSSCOMPILING)
    get_target_property(emulator Quorlin::tfsc CROSSCOMPILING_EMULATOR)
    if(NOT emulator)
      message(FATAL_ERROR "quorlin_add_scripts(${target}): a cross build cannot run tfsc; set "
        "CMAKE_CROSSCOMPILING_EMULATOR (wine, for Windows programs on Linux) before find_package(Quorlin)")
    endif()
    set(tfsc ${emulator} $<TARGET_FILE:Quorlin::tfsc>)
  endif()

  set(output_dir "${CMAKE_CURRENT_BINARY_DIR}")
  if(arg_OUTPUT_DIRECTORY)
    get_filename_component(output_dir "${arg_OUTPUT_DIRECTORY}" ABSOLUTE
      BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  endif()
  file(MAKE_DIRECTORY "${output_dir}")

  set(sources)
  set(outputs)
  foreach(script IN LISTS scripts)
    get_filename_component(source "${script}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    get_filename_component(name "${source}" NAME_WLE)
    set(output_name "${name}.tfs")
    set(output "${output_dir}/${output_name}")
    if(output STREQUAL source)
      message(FATAL_ERROR "quorlin_add_scripts(${target}): the script ${source} would be "
        "overwritten by its own compiled file; give an OUTPUT_DIRECTORY")
    endif()
    get_property(claimed GLOBAL PROPERTY QUORLIN_TFS_OUTPUTS)
    if(output IN_LIST claimed)
      message(FATAL_ERROR "quorlin_add_scripts(${target}): another script already compiles to "
        "${output}; give scripts of the same name different OUTPUT_DIRECTORY values")
    endif()
    set_property(GLOBAL APPEND PROPERTY QUORLIN_TFS_OUTPUTS "${output}")

    # The old file goes first, so that a failed compile leaves none behind
    # (tfsc itself keeps an existing file when the compile fails). tfsc takes
    # any name after "--", spaces and all.
    add_custom_command(OUTPUT "${output}"
      COMMAND "${CMAKE_COMMAND}" -E rm -f -- "${output_name}"
      COMMAND ${tfsc} -o "${output}" -- "${source}"
      DEPENDS "${source}" Quorlin::tfsc
      WORKING_DIRECTORY "${output_dir}"
      COMMENT "Compiling texture script ${script}"
      VERBATIM)
    list(APPEND sources "${source}")
    list(APPEND outputs "${output}")
  endforeach()

  if(NOT TARGET ${target})
    add_custom_target(${target} ALL DEPENDS ${outputs} SOURCES ${sources})
  else()
    get_target_property(aliased ${target} ALIASED_TARGET)
    if(aliased)
      set(target ${aliased})
    endif()
    get_target_property(imported ${target} IMPORTED)
    if(imported)
      message(FATAL_ERROR "quorlin_add_scripts(${target}): an imported target cannot be given scripts")
    endif()
    # The compile rules belong to this directory, so a custom target of this
    # directory builds them and the given target depends on it, wherever that
    # target was defined.
    set(builder ${target}_tfs)
    set(number 1)
    while(TARGET ${builder})
      math(EXPR number "${number} + 1")
      set(builder ${target}_tfs_${number})
    endwhile()
    add_custom_target(${builder} DEPENDS ${outputs} SOURCES ${sources})
    add_dependencies(${target} ${builder})
  endif()
  set_property(TARGET ${target} APPEND PROPERTY QUORLIN_TFS_FILES ${outputs})
endfunction()
