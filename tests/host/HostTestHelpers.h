#pragma once

#include "FakeAudioIODeviceType.h"
#include "OVEXStandaloneFilterWindow.h"
#include "ScopedSettingsFolder.h"
#include "SettingsFile.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

/** The program's windows live in a framework running as an application, which among other things
    absorbs the X server's complaints about window-manager atoms that Xvfb lacks; the tests open
    their windows in the same mode. Set before the test main starts the framework. */
inline const bool windowsRunAsInAnApplication = []
{
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    return true;
}();

/** Stores values in the settings file as an earlier run would have left them. */
inline void storeSettings (std::initializer_list<std::pair<juce::String, juce::String>> values)
{
    auto settings = openSettingsFile();

    for (const auto& [key, value] : values)
        settings->setValue (key, value);

    ASSERT_TRUE (settings->save());
}

/** A window on a settings file of its own, with fake audio devices only: one device
    "Fake" offering six inputs and six outputs, unless a test names other devices. */
class MainWindowTest : public testing::Test
{
protected:
    MainWindowTest() { repaintDisplayFlag = false; }

    ~MainWindowTest() override
    {
        window = nullptr;
        repaintDisplayFlag = false;
    }

    static OVEXStandaloneFilterWindow::DeviceManagerFactory fakeDevices (const juce::StringArray& names = { "Fake" })
    {
        return [names]
        {
            return testsupport::makeDeviceManagerWith (std::make_unique<testsupport::FakeAudioIODeviceType> ("Fake type", names, names));
        };
    }

    OVEXStandaloneFilterWindow& openWindow (const OVEXStandaloneFilterWindow::DeviceManagerFactory& devices = fakeDevices())
    {
        window = std::make_unique<OVEXStandaloneFilterWindow> ("NOLv 5.1", juce::Colours::black, openSettingsFile(), devices);
        return *window;
    }

    void closeWindow() { window = nullptr; }

    static std::unique_ptr<juce::XmlElement> readSettingsFile() { return juce::parseXML (getSettingsFile()); }

    static juce::Rectangle<int> screenArea() { return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea; }

    ScopedSettingsFolder settingsFolder;
    std::unique_ptr<OVEXStandaloneFilterWindow> window;
};
