# oscpack from Debian's liboscpack-dev: headers under oscpack/osc/, no pkg-config file.
find_path(OSCPACK_INCLUDE_DIR oscpack/osc/OscOutboundPacketStream.h REQUIRED)
find_library(OSCPACK_LIBRARY oscpack REQUIRED)

add_library(oscpack::oscpack UNKNOWN IMPORTED)
set_target_properties(oscpack::oscpack PROPERTIES
    IMPORTED_LOCATION "${OSCPACK_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${OSCPACK_INCLUDE_DIR}")
