# What the unit tests' program needs, the same in the Linux builds
# (tests/CMakeLists.txt) and the Windows build (tests/windows/CMakeLists.txt):
# the libraries under test, the shared fixtures, and the folders of the
# scripts that the property tests go over.
set(QUORLIN_TESTS_DIR ${CMAKE_CURRENT_LIST_DIR})
# Tests read tfsc's JSON and SARIF back with the project's JSON library.
find_package(nlohmann_json 3 REQUIRED)

function(quorlin_unit_test_settings target)
  target_include_directories(${target} PRIVATE ${QUORLIN_TESTS_DIR}/e2e ${QUORLIN_TESTS_DIR}/fixtures)
  target_link_libraries(${target} PRIVATE quorlin_driver quorlin_tfsc quorlin_compiler quorlin_formatter quorlin_output
                                          quorlin_cli tfsdump_core quorlin_format_core nlohmann_json::nlohmann_json)
  # The diagnostics engine is checked against the classic compile over every
  # script of the project: the cases' files, the examples, the fuzz seeds.
  target_compile_definitions(${target} PRIVATE
    QUORLIN_COMPLETIONS_DIR="${PROJECT_SOURCE_DIR}/completions"
    QUORLIN_MAN_DIR="${PROJECT_SOURCE_DIR}/man"
    QUORLIN_DIAGNOSTIC_CODES_FILE="${QUORLIN_TESTS_DIR}/fixtures/diagnostic-codes.txt"
    QUORLIN_SCRIPT_FOLDERS="${QUORLIN_TESTS_DIR}/cases:${QUORLIN_TESTS_DIR}/tfsc:${PROJECT_SOURCE_DIR}/examples:${PROJECT_SOURCE_DIR}/fuzz/seeds/compile")
endfunction()
