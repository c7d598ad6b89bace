#pragma once

#include <array>
#include <cstddef>

/** Every image the interface embeds, by role, with the pixel size it is drawn at. The generator
    draws resources/images/<fileStem>.png from this table and the program finds each one by the same
    stem, so a role, its file and its size are named in one place. */
enum class NolvImageId
{
    playStopOff, playStopOffHover, playStopOn,
    resetOff, resetHover,
    settingsOff, settingsHover,
    logOff, logHover,
    meterOff, meterHover,
    audioSettingsOff, audioSettingsHover,
    lockOff, lockOn,
    logo,
    ebuOff, ebuOn, atscOff, atscOn, aribOff, aribOn,
    plus9Off, plus9On, plus18Off, plus18On,
    lufsOff, lufsOn, lkfsOff, lkfsOn, luOff, luOn,
    ref18Off, ref18On, ref20Off, ref20On,
    gatingOff, gatingOffHover, gatingOn, gatingOnHover,
    fiveOneOff, fiveOneOn, fiveOneDisabled,
    downmixOff, downmixOn, downmixDisabled,
    connectOff, connectOffHover, connectOn, connectOnHover,
    saveOff, saveHover,
    ledOff, ledOn,
    momentaryBarBackground, momentaryBarForeground,
    rangeBarBackground, rangeBarForeground,
    arrowScale, arrow,
    truePeakBarBackground,
    scaleEbu9, scaleEbu18, scaleAtsc9, scaleAtsc18, scaleRelative9, scaleRelative18,
    truePeakBackgroundRef18, truePeakBackgroundRef20,
    valueBox, momentaryBox, truePeakValueBox,
    browseNormal, browsePressed,
    resolutionToggleOff, resolutionToggleOn, seriesToggleOff, seriesToggleOn
};

struct NolvImageEntry
{
    NolvImageId id;
    const char* fileStem;
    int width;
    int height;
};

constexpr int numNolvImages = static_cast<int> (NolvImageId::seriesToggleOn) + 1;

constexpr std::array<NolvImageEntry, numNolvImages> nolvImageEntries { {
    { NolvImageId::playStopOff, "play_stop_off", 100, 100 },
    { NolvImageId::playStopOffHover, "play_stop_off_hover", 100, 100 },
    { NolvImageId::playStopOn, "play_stop_on", 100, 100 },
    { NolvImageId::resetOff, "reset_off", 100, 100 },
    { NolvImageId::resetHover, "reset_hover", 100, 100 },
    { NolvImageId::settingsOff, "settings_off", 100, 100 },
    { NolvImageId::settingsHover, "settings_hover", 100, 100 },
    { NolvImageId::logOff, "log_off", 100, 100 },
    { NolvImageId::logHover, "log_hover", 100, 100 },
    { NolvImageId::meterOff, "meter_off", 100, 100 },
    { NolvImageId::meterHover, "meter_hover", 100, 100 },
    { NolvImageId::audioSettingsOff, "audio_settings_off", 100, 100 },
    { NolvImageId::audioSettingsHover, "audio_settings_hover", 100, 100 },
    { NolvImageId::lockOff, "lock_off", 100, 100 },
    { NolvImageId::lockOn, "lock_on", 100, 100 },
    { NolvImageId::logo, "logo", 117, 37 },
    { NolvImageId::ebuOff, "ebu_off", 75, 75 },
    { NolvImageId::ebuOn, "ebu_on", 75, 75 },
    { NolvImageId::atscOff, "atsc_off", 75, 75 },
    { NolvImageId::atscOn, "atsc_on", 75, 75 },
    { NolvImageId::aribOff, "arib_off", 75, 75 },
    { NolvImageId::aribOn, "arib_on", 75, 75 },
    { NolvImageId::plus9Off, "plus9_off", 75, 75 },
    { NolvImageId::plus9On, "plus9_on", 75, 75 },
    { NolvImageId::plus18Off, "plus18_off", 75, 75 },
    { NolvImageId::plus18On, "plus18_on", 75, 75 },
    { NolvImageId::lufsOff, "lufs_off", 75, 75 },
    { NolvImageId::lufsOn, "lufs_on", 75, 75 },
    { NolvImageId::lkfsOff, "lkfs_off", 75, 75 },
    { NolvImageId::lkfsOn, "lkfs_on", 75, 75 },
    { NolvImageId::luOff, "lu_off", 75, 75 },
    { NolvImageId::luOn, "lu_on", 75, 75 },
    { NolvImageId::ref18Off, "ref18_off", 75, 75 },
    { NolvImageId::ref18On, "ref18_on", 75, 75 },
    { NolvImageId::ref20Off, "ref20_off", 75, 75 },
    { NolvImageId::ref20On, "ref20_on", 75, 75 },
    { NolvImageId::gatingOff, "gating_off", 32, 32 },
    { NolvImageId::gatingOffHover, "gating_off_hover", 32, 32 },
    { NolvImageId::gatingOn, "gating_on", 32, 32 },
    { NolvImageId::gatingOnHover, "gating_on_hover", 32, 32 },
    { NolvImageId::fiveOneOff, "five_one_off", 124, 60 },
    { NolvImageId::fiveOneOn, "five_one_on", 124, 60 },
    { NolvImageId::fiveOneDisabled, "five_one_disabled", 124, 60 },
    { NolvImageId::downmixOff, "downmix_off", 124, 60 },
    { NolvImageId::downmixOn, "downmix_on", 124, 60 },
    { NolvImageId::downmixDisabled, "downmix_disabled", 124, 60 },
    { NolvImageId::connectOff, "connect_off", 110, 40 },
    { NolvImageId::connectOffHover, "connect_off_hover", 110, 40 },
    { NolvImageId::connectOn, "connect_on", 110, 40 },
    { NolvImageId::connectOnHover, "connect_on_hover", 110, 40 },
    { NolvImageId::saveOff, "save_off", 110, 40 },
    { NolvImageId::saveHover, "save_hover", 110, 40 },
    { NolvImageId::ledOff, "led_off", 20, 9 },
    { NolvImageId::ledOn, "led_on", 20, 9 },
    { NolvImageId::momentaryBarBackground, "momentary_bar_background", 34, 483 },
    { NolvImageId::momentaryBarForeground, "momentary_bar_foreground", 34, 483 },
    { NolvImageId::rangeBarBackground, "range_bar_background", 22, 483 },
    { NolvImageId::rangeBarForeground, "range_bar_foreground", 22, 483 },
    { NolvImageId::arrowScale, "arrow_scale", 24, 479 },
    { NolvImageId::arrow, "arrow", 24, 26 },
    { NolvImageId::truePeakBarBackground, "true_peak_bar_background", 20, 480 },
    { NolvImageId::scaleEbu9, "scale_ebu9", 180, 493 },
    { NolvImageId::scaleEbu18, "scale_ebu18", 180, 493 },
    { NolvImageId::scaleAtsc9, "scale_atsc9", 180, 493 },
    { NolvImageId::scaleAtsc18, "scale_atsc18", 180, 493 },
    { NolvImageId::scaleRelative9, "scale_relative9", 180, 493 },
    { NolvImageId::scaleRelative18, "scale_relative18", 180, 493 },
    { NolvImageId::truePeakBackgroundRef18, "true_peak_background_ref18", 355, 494 },
    { NolvImageId::truePeakBackgroundRef20, "true_peak_background_ref20", 355, 494 },
    { NolvImageId::valueBox, "value_box", 76, 86 },
    { NolvImageId::momentaryBox, "momentary_box", 100, 60 },
    { NolvImageId::truePeakValueBox, "true_peak_value_box", 48, 60 },
    { NolvImageId::browseNormal, "browse_normal", 110, 40 },
    { NolvImageId::browsePressed, "browse_pressed", 110, 40 },
    { NolvImageId::resolutionToggleOff, "resolution_toggle_off", 51, 20 },
    { NolvImageId::resolutionToggleOn, "resolution_toggle_on", 51, 20 },
    { NolvImageId::seriesToggleOff, "series_toggle_off", 51, 20 },
    { NolvImageId::seriesToggleOn, "series_toggle_on", 51, 20 },
} };

constexpr bool nolvImageEntriesFollowTheIds()
{
    for (int i = 0; i < numNolvImages; ++i)
        if (static_cast<int> (nolvImageEntries[(std::size_t) i].id) != i)
            return false;
    return true;
}

static_assert (numNolvImages == 78);
static_assert (nolvImageEntriesFollowTheIds(), "one row per id, in id order");

constexpr const NolvImageEntry& nolvImageEntry (NolvImageId id) { return nolvImageEntries[(std::size_t) id]; }
