# nolv_add_test (name SOURCES ... LIBRARIES ... [DISPLAY])
# One GoogleTest binary; every case becomes a ctest test. DISPLAY marks binaries that open
# windows, which scripts/test runs under a virtual X server; all others run with no display.
# NOLV_ARTIFACT_DIR is the binary's folder under build/tests/, where tests leave images to look at.

find_package(GTest REQUIRED)
include(GoogleTest)

function(nolv_add_test name)
    cmake_parse_arguments(ARG "DISPLAY" "" "SOURCES;LIBRARIES" ${ARGN})

    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE nolv_test_support ${ARG_LIBRARIES})
    target_compile_definitions(${name} PRIVATE NOLV_ARTIFACT_DIR="${CMAKE_CURRENT_BINARY_DIR}")
    nolv_warnings(${name})

    set(labels headless)
    if(ARG_DISPLAY)
        set(labels display)
    endif()

    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS ${labels} TIMEOUT 600)
endfunction()
