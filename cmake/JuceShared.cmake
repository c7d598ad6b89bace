# JUCE's modules compiled once, into the static target juce_shared that the program,
# every test binary and the bench link. Debian's JUCE ships without its bundled
# codecs and image libraries, so the system ones are linked instead.

find_package(JUCE CONFIG REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)

add_library(juce_shared STATIC)

target_link_libraries(juce_shared
    PRIVATE
        juce::juce_core
        juce::juce_events
        juce::juce_data_structures
        juce::juce_audio_basics
        juce::juce_audio_devices
        juce::juce_audio_formats
        juce::juce_audio_processors
        juce::juce_audio_utils
        juce::juce_graphics
        juce::juce_gui_basics
        juce::juce_gui_extra
    PUBLIC
        PNG::PNG
        JPEG::JPEG
        ZLIB::ZLIB)

target_compile_definitions(juce_shared
    PUBLIC
        JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
        JUCE_STANDALONE_APPLICATION=1
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_REPORT_APP_USAGE=0
        JUCE_USE_FLAC=0
        JUCE_USE_OGGVORBIS=0
        JUCE_USE_MP3AUDIOFORMAT=0
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_JACK=1
        JUCE_JACK_CLIENT_NAME="NOLV51"
        JUCE_ALSA=1
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_STRICT_REFCOUNTEDPOINTER=1)

# Whoever links juce_shared sees the modules' headers and definitions, but not
# their sources, so nothing is compiled twice.
target_include_directories(juce_shared INTERFACE
    $<TARGET_PROPERTY:juce_shared,INCLUDE_DIRECTORIES>)
target_compile_definitions(juce_shared INTERFACE
    $<TARGET_PROPERTY:juce_shared,COMPILE_DEFINITIONS>)

set_target_properties(juce_shared PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    VISIBILITY_INLINES_HIDDEN ON
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden)
