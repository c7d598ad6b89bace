# libebur128, the peer meter that the differential test and the benchmark compare the engine with.
# Only those two link it; the program never does.
include_guard(GLOBAL)
find_package(PkgConfig REQUIRED)
pkg_check_modules(EBUR128 REQUIRED IMPORTED_TARGET GLOBAL libebur128)
