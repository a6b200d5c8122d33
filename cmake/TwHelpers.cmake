# Shared build helpers: warning flags per target, sanitizer configurations, test registration.

# The analysis is held to its single-precision results: a multiply and an add are never fused
# into one rounding, also in the copies of the inner loops compiled for wider instruction sets.
add_compile_options(-ffp-contract=off)

if(TW_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
elseif(TW_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=thread)
    # The loader picks a cloned inner loop's copy before ThreadSanitizer's runtime is up, and the
    # instrumented chooser then crashes: this build keeps the portable copies only.
    add_compile_definitions(TW_NO_CLONES)
elseif(TW_FUZZ)
    # Everything is instrumented for coverage; only the fuzz targets link libFuzzer's main.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                        -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
elseif(NOT TW_SANITIZE STREQUAL "")
    message(FATAL_ERROR "TW_SANITIZE must be '', 'address' or 'thread'")
endif()

# Warnings for our own targets (never for third-party code).
function(tw_target_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                           -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual
                           -Wnull-dereference -Wimplicit-fallthrough)
    if(TW_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# tw_add_test(name SOURCES a.cpp b.cpp [LIBS ...] [LABELS ...])
# Builds one GoogleTest executable against the whole system and registers its cases with CTest.
function(tw_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE tempowright_all tw_test_support GTest::gtest
                          GTest::gtest_main ${T_LIBS})
    tw_target_warnings(${name})
    # The analysis store of the programs lands under the build tree, never in the user's home;
    # suites that use it give each test a folder of its own.
    set(props ENVIRONMENT "TEMPOWRIGHT_COMPONENT_DIR=${CMAKE_BINARY_DIR}/bin"
        ENVIRONMENT_MODIFICATION "XDG_DATA_HOME=set:${CMAKE_BINARY_DIR}/test-data-home")
    if(T_LABELS)
        list(APPEND props LABELS "${T_LABELS}")
    endif()
    gtest_discover_tests(${name} PROPERTIES ${props} DISCOVERY_TIMEOUT 60)
endfunction()

# tw_include_root(<out-var> <name> <folder>...)
# An include directory under the build tree that holds only the named source folders (as
# symbolic links), so that a target given it can include "<folder>/X.h" of those folders and of
# no other.
function(tw_include_root out name)
    set(root ${CMAKE_BINARY_DIR}/include-roots/${name})
    file(MAKE_DIRECTORY ${root})
    foreach(folder ${ARGN})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endforeach()
    set(${out} ${root} PARENT_SCOPE)
endfunction()

# tw_add_layer(<folder> LIBS ...)
# The static library tempowright_<folder> of every .cpp in the folder. Its include root exposes
# only the folder itself; what else it may include comes from the layers it links.
function(tw_add_layer folder)
    cmake_parse_arguments(L "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
    add_library(tempowright_${folder} STATIC ${sources})
    tw_include_root(root ${folder} ${folder})
    target_include_directories(tempowright_${folder} PUBLIC ${root})
    target_link_libraries(tempowright_${folder} PUBLIC ${L_LIBS})
    tw_target_warnings(tempowright_${folder})
endfunction()
