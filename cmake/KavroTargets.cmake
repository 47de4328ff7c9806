# Helpers shared by every target of the station.

# Our own targets only: Qt, GoogleTest and Google Benchmark come in as system headers.
function(kavro_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /permissive- $<$<BOOL:${KAVRO_WERROR}>:/WX>)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
            $<$<BOOL:${KAVRO_WERROR}>:-Werror>)
    endif()
endfunction()

# A library of plain C++ (no Qt include anywhere in it).
function(kavro_pure_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    kavro_warnings(${name})
endfunction()

# A library on Qt Core (and whatever DEPS adds); moc runs only here.
function(kavro_qt_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_DEPS})
    target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
    kavro_warnings(${name})
endfunction()

# The tests that drive worker threads (message threads, gathering, run control, console, fit
# worker): they carry the label "threads" as well and are the ones run under ThreadSanitizer.
set(KAVRO_THREADED_TESTS
    platform_test
    acquisition_gathering_test
    run_control_test
    console_server_test
    analysis_worker_test)

# A GoogleTest executable registered with CTest. LABEL: unit, integration or gui.
function(kavro_test name)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main)
    kavro_warnings(${name})
    if(NOT ARG_LABEL)
        set(ARG_LABEL unit)
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
    # gtest_discover_tests flattens list-valued properties, so they are set by a script that CTest
    # runs after the discovered tests (named in ${name}_TESTS) are known.
    set(labels ${ARG_LABEL})
    if(name IN_LIST KAVRO_THREADED_TESTS)
        list(APPEND labels threads)
    endif()
    set(environment QT_QPA_PLATFORM=offscreen ${KAVRO_SANITIZER_ENV})
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
    file(WRITE "${script}"
        "if(DEFINED ${name}_TESTS)\n"
        "    set_tests_properties(\${${name}_TESTS} PROPERTIES\n"
        "        LABELS [==[${labels}]==]\n"
        "        ENVIRONMENT [==[${environment}]==])\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()

# A libFuzzer target over a pure library; built only with KAVRO_FUZZ (clang).
function(kavro_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    if(NOT KAVRO_FUZZ)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    kavro_warnings(${name})
    add_dependencies(kavro_fuzzers ${name})
endfunction()

# A Google Benchmark executable; built by default, never run by CTest.
function(kavro_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    if(NOT KAVRO_BUILD_BENCH)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
    kavro_warnings(${name})
endfunction()
