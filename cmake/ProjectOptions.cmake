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

# scripts/test builds the tests again, apart, under the sanitizers. AddressSanitizer and
# UndefinedBehaviorSanitizer judge our own code, which every target below instruments; JUCE stays
# uninstrumented, which also keeps the build short. ThreadSanitizer must see JUCE's own atomics
# (its FIFOs and threads), so under it everything is instrumented.
set(NOLV_SANITIZERS "" CACHE STRING "Sanitizers: address,undefined or thread (empty for none)")
set(NOLV_SANITIZER_FLAGS "")
if(NOLV_SANITIZERS)
    # Line numbers in the reports; the sanitizers' own checks confuse GCC's flow analysis.
    set(NOLV_SANITIZER_FLAGS -fsanitize=${NOLV_SANITIZERS} -fno-omit-frame-pointer -g -Wno-maybe-uninitialized)
    add_link_options(-fsanitize=${NOLV_SANITIZERS})

    if(NOLV_SANITIZERS MATCHES "thread")
        add_compile_options(${NOLV_SANITIZER_FLAGS})
    endif()
endif()

# Our own targets: the warning set kept clean, and the sanitizers when asked for.
function(nolv_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wno-missing-field-initializers
                                             ${NOLV_SANITIZER_FLAGS})
endfunction()

