# kiv_add_library(name SOURCES ... LIBS ...): a static library for one folder of src/.
function(kiv_add_library name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${A_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${A_LIBS})
endfunction()

# kiv_add_test(name SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s]): one GoogleTest binary per area,
# run by CTest. The common main creates the QApplication (offscreen unless told otherwise).
function(kiv_add_test name)
    cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE kiv_testmain ${A_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT A_TIMEOUT)
        set(A_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KIV_SOURCE_DIR=${PROJECT_SOURCE_DIR};KIV_BINARY_DIR=${CMAKE_BINARY_DIR}")
    if(A_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}")
    endif()
endfunction()

# kiv_add_fuzzer(name SOURCES ... LIBS ... [SECONDS n] [SEEDS dir...]): a libFuzzer target (only with KIV_FUZZ),
# and a CTest test that fuzzes it for a bounded time from the seed folders (default 30 s).
function(kiv_add_fuzzer name)
    cmake_parse_arguments(A "" "SECONDS" "SOURCES;LIBS;SEEDS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    set_property(GLOBAL APPEND PROPERTY KIV_FUZZERS ${name})
    if(NOT A_SECONDS)
        set(A_SECONDS 30)
    endif()
    set(corpus ${CMAKE_BINARY_DIR}/fuzz/corpus-${name})
    file(MAKE_DIRECTORY ${corpus})
    set(seeds "")
    if(A_SEEDS)
        set(seeds ${A_SEEDS})
    endif()
    add_test(NAME ${name} COMMAND ${name} -max_total_time=${A_SECONDS} -rss_limit_mb=4096 -timeout=20
        ${corpus} ${seeds})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# kiv_add_bench(name SOURCES ... LIBS ...): a Google Benchmark binary.
function(kiv_add_bench name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE benchmark::benchmark ${A_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
