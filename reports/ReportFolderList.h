#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <functional>
#include <vector>

/** The log page's list of the reports in one folder: a row per file whose name ends in ".xml" in
    any case and does not start with a dot, in natural name order, drawn as a file browser's rows
    are. The folder is listed on the list's own "NOLV file previewer" thread, sorted once, and
    listed again only when its modification time says another program changed it; a report the
    program itself writes gets its row without a listing. Message thread, except the listing. */
class ReportFolderList : public juce::Component,
                         private juce::ListBoxModel,
                         private juce::TimeSliceClient,
                         private juce::AsyncUpdater
{
public:
    ReportFolderList();
    ~ReportFolderList() override;

    /** Lists another folder; the folder already shown changes nothing. */
    void setFolder (const juce::File& folder);
    const juce::File& getFolder() const noexcept { return folder; }

    /** Lists the folder again if another program changed it since it was last looked at. */
    void visit();

    /** Gives a report the program wrote (or wrote again) its row, without listing the folder. */
    void reportWritten (const juce::File& report);

    /** Called with a row's file whenever the user selects another row. */
    std::function<void (const juce::File&)> onSelect;

    int getNumRows() override { return (int) rows.size(); }
    juce::File getFile (int row) const;
    void selectRow (int row) { listBox.selectRow (row); }
    juce::File getSelectedFile() const { return getFile (listBox.getSelectedRow()); }

    /** How often a folder has been listed from its start; the listing thread counts. */
    int getNumListings() const noexcept { return listings.load(); }

    /** The thread the folder is listed on; tests stop it and turn its client by hand. */
    juce::TimeSliceThread& getListingThread() noexcept { return listingThread; }

    void paint (juce::Graphics&) override;
    void resized() override;

private:
    void paintListBoxItem (int row, juce::Graphics&, int width, int height, bool isSelected) override;
    void selectedRowsChanged (int lastRowSelected) override;
    int useTimeSlice() override;
    void handleAsyncUpdate() override;

    void listFolder (const juce::File& folderToList);
    bool addWrittenReport (const juce::File& report);
    void publishRows();

    juce::File folder;                // message thread
    std::vector<juce::String> rows;   // message thread: the names shown
    juce::String selectedName;        // message thread: kept selected across listings
    juce::ListBox listBox { {}, this };

    // What the message thread asks of the listing thread, under requestLock.
    juce::CriticalSection requestLock;
    juce::File requestedFolder;
    bool folderRequested = false, visitRequested = false;
    juce::Array<juce::File> writtenReports;

    // The listing thread's own view of the folder.
    juce::File listedFolder;
    juce::Time listedFolderTime;
    bool listingSettled = false;
    std::vector<juce::String> listedNames;
    std::atomic<int> listings { 0 };
    std::atomic<bool> stopping { false }; // written by the message thread as the list goes

    // Rows on their way to the message thread, under resultLock.
    juce::CriticalSection resultLock;
    juce::File resultFolder;
    std::vector<juce::String> resultRows;

    // Last, so that it stops before anything it uses goes.
    juce::TimeSliceThread listingThread { "NOLV file previewer" };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReportFolderList)
};
