# Build-wide settings: language level, build type and the warning set our own code must keep clean.

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()

option(NOLV_BUILD_TESTS "Build the test binaries" ON)
option(NOLV_BUILD_BENCH "Build the benchmark" ON)

# Levels are rounded to 0.1 dB in single precision; a fused multiply-add changes
# roundToTenth (-0.05f) from 0.0 to -0.1, so contraction stays off everywhere.
add_compile_options(-ffp-contract=off -fno-fast-math)

function(nolv_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wno-missing-field-initializers)
endfunction()
