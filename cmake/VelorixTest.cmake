# velorix_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [THREADED])
#
# Builds one GoogleTest program into bin/ and registers its cases with ctest.
# THREADED marks a program that starts threads; only those are built in the
# ThreadSanitizer tree (VELORIX_THREADED_ONLY). Label tests that stream in
# real time with "realtime".
include(GoogleTest)
find_package(GTest REQUIRED)

function(velorix_add_test name)
    cmake_parse_arguments(T "THREADED" "" "SOURCES;LIBS;LABELS" ${ARGN})
    if(VELORIX_THREADED_ONLY AND NOT T_THREADED)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} velorix_test_support GTest::gtest
                                          GTest::gtest_main Threads::Threads)
    set(labels ${T_LABELS})
    if(T_THREADED)
        list(APPEND labels threaded)
    endif()
    # The user's own data directories never reach a test: the owner's files
    # found there would change what the programs load.
    set(props TIMEOUT 600 ENVIRONMENT
        "XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data-home;XDG_DATA_DIRS=${CMAKE_BINARY_DIR}/test-data-dirs")
    if(labels)
        list(APPEND props LABELS "${labels}")
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ${props})
endfunction()

# velorix_add_module_tests(<module> [LIBS ...])
#
# Called from tests/<module>/CMakeLists.txt. Builds the tests of that folder
# by file-name convention (other .cpp files there are shared helpers):
#   *_test.cpp           plain tests                 -> <module>_tests
#   *_threaded_test.cpp  tests that start threads    -> <module>_threaded_tests (THREADED)
#   *_realtime_test.cpp  tests that stream in real time -> <module>_realtime_tests
#                        (THREADED, label "realtime"; shortened under sanitizers)
function(velorix_add_module_tests module)
    cmake_parse_arguments(M "" "" "LIBS" ${ARGN})
    set(dir ${CMAKE_CURRENT_SOURCE_DIR})
    file(GLOB all CONFIGURE_DEPENDS ${dir}/*_test.cpp)
    file(GLOB threaded CONFIGURE_DEPENDS ${dir}/*_threaded_test.cpp)
    file(GLOB realtime CONFIGURE_DEPENDS ${dir}/*_realtime_test.cpp)
    file(GLOB helpers CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(REMOVE_ITEM helpers ${all})
    set(plain ${all})
    if(threaded)
        list(REMOVE_ITEM plain ${threaded})
    endif()
    if(realtime)
        list(REMOVE_ITEM plain ${realtime})
    endif()
    if(plain)
        velorix_add_test(${module}_tests SOURCES ${plain} ${helpers} LIBS ${M_LIBS})
    endif()
    if(threaded)
        velorix_add_test(${module}_threaded_tests SOURCES ${threaded} ${helpers}
                         LIBS ${M_LIBS} THREADED)
    endif()
    if(realtime)
        velorix_add_test(${module}_realtime_tests SOURCES ${realtime} ${helpers}
                         LIBS ${M_LIBS} THREADED LABELS realtime)
    endif()
endfunction()

# velorix_add_fuzz(<name> SOURCES ... [LIBS ...] [INCLUDES ...])
#
# A libFuzzer target, built in the build-fuzz/ tree only (clang, configured
# with VELORIX_FUZZ=ON). Its entry point's checks are also linked into the
# module's tests, which replay the committed seed corpus in every tree.
function(velorix_add_fuzz name)
    if(NOT VELORIX_FUZZ)
        return()
    endif()
    cmake_parse_arguments(F "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
    add_executable(${name} ${F_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_include_directories(${name} PRIVATE ${F_INCLUDES})
endfunction()
