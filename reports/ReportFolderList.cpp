#include "ReportFolderList.h"

#include <algorithm>
#include <utility>

namespace
{
constexpr int rowHeight = 22;

// Rows stand where the framework's file tree puts the items under its hidden root (its
// look-and-feel's indent), with the same icon column.
constexpr int rowIndent = 20, iconWidth = 32;

// A folder holds far fewer reports than this; names past it are not shown.
constexpr size_t maxRows = 100000;

// Asked for again this soon when idle, in case a request came just as the last slice ended (a
// request otherwise wakes the thread at once); an idle page costs the least that way.
constexpr int idleMilliseconds = 500;

bool comesBefore (const juce::String& a, const juce::String& b)
{
    return a.compareNatural (b) < 0;
}

/** The rule the folder's listing applies to a name (its wildcard ignores case). */
bool isReportName (const juce::String& name)
{
    return ! name.startsWithChar ('.') && name.endsWithIgnoreCase (".xml");
}
} // namespace

ReportFolderList::ReportFolderList()
{
    listBox.setRowHeight (rowHeight);
    listBox.setColour (juce::ListBox::backgroundColourId, juce::Colours::transparentBlack);
    addAndMakeVisible (listBox);

    listingThread.addTimeSliceClient (this);
    listingThread.startThread();
}

ReportFolderList::~ReportFolderList()
{
    stopping = true;
    listingThread.removeTimeSliceClient (this);
    listingThread.stopThread (10000);
    cancelPendingUpdate();
}

//==============================================================================
void ReportFolderList::setFolder (const juce::File& newFolder)
{
    if (newFolder == folder)
        return;

    folder = newFolder;
    rows.clear();
    selectedName.clear();
    listBox.updateContent();
    listBox.setSelectedRows ({}, juce::dontSendNotification);

    {
        const juce::ScopedLock sl (requestLock);
        requestedFolder = newFolder;
        folderRequested = true;
    }

    listingThread.moveToFrontOfQueue (this);
}

void ReportFolderList::visit()
{
    {
        const juce::ScopedLock sl (requestLock);
        visitRequested = true;
    }

    listingThread.moveToFrontOfQueue (this);
}

void ReportFolderList::reportWritten (const juce::File& report)
{
    {
        const juce::ScopedLock sl (requestLock);
        writtenReports.addIfNotAlreadyThere (report);
    }

    listingThread.moveToFrontOfQueue (this);
}

juce::File ReportFolderList::getFile (int row) const
{
    return juce::isPositiveAndBelow (row, (int) rows.size()) ? folder.getChildFile (rows[(size_t) row]) : juce::File();
}

//==============================================================================
int ReportFolderList::useTimeSlice()
{
    juce::File folderToList;
    bool newFolder = false, visitNow = false;
    juce::Array<juce::File> written;

    {
        const juce::ScopedLock sl (requestLock);
        folderToList = requestedFolder;
        newFolder = std::exchange (folderRequested, false);
        visitNow = std::exchange (visitRequested, false);
        written.swapWith (writtenReports);
    }

    bool changed = false;

    if (newFolder)
    {
        listFolder (folderToList);
        changed = true;
    }

    // The program's own reports first: the folder's time they moved is then no reason to list it.
    for (const auto& report : written)
        changed = addWrittenReport (report) || changed;

    if (visitNow && ! newFolder && listedFolder != juce::File()
        && ! (listingSettled && listedFolder.getLastModificationTime() == listedFolderTime))
    {
        listFolder (listedFolder);
        changed = true;
    }

    if (changed)
        publishRows();

    const juce::ScopedLock sl (requestLock);
    return folderRequested || visitRequested || ! writtenReports.isEmpty() ? 0 : idleMilliseconds;
}

void ReportFolderList::listFolder (const juce::File& folderToList)
{
    ++listings;
    const auto startTime = juce::Time::getCurrentTime();
    listedFolder = folderToList;
    listedFolderTime = folderToList.getLastModificationTime();
    listedNames.clear();

    for (const auto& entry : juce::RangedDirectoryIterator (folderToList, false, "*.xml",
                                                            juce::File::findFiles | juce::File::ignoreHiddenFiles))
    {
        if (stopping || listedNames.size() >= maxRows)
            break;

        listedNames.push_back (entry.getFile().getFileName());
    }

    std::sort (listedNames.begin(), listedNames.end(), comesBefore);

    // The time counts whole seconds: a change later in the second the folder was read in would
    // leave it as it is, so such a listing is repeated at the next visit.
    listingSettled = startTime >= listedFolderTime + juce::RelativeTime::seconds (2.0);
}

bool ReportFolderList::addWrittenReport (const juce::File& report)
{
    const auto name = report.getFileName();

    if (report.getParentDirectory() != listedFolder || ! isReportName (name))
        return false;

    const auto place = std::lower_bound (listedNames.begin(), listedNames.end(), name, comesBefore);
    const bool listed = place != listedNames.end() && *place == name;

    const bool added = ! listed && report.existsAsFile() && listedNames.size() < maxRows;

    if (added)
        listedNames.insert (place, name);

    // The write moved the folder's time. A change another program made since the folder was last
    // looked at is taken along with it, and shows once the folder changes again.
    listedFolderTime = listedFolder.getLastModificationTime();
    return added;
}

void ReportFolderList::publishRows()
{
    {
        const juce::ScopedLock sl (resultLock);
        resultFolder = listedFolder;
        resultRows = listedNames;
    }

    triggerAsyncUpdate();
}

void ReportFolderList::handleAsyncUpdate()
{
    {
        const juce::ScopedLock sl (resultLock);

        // Rows of a folder left since are dropped; the new folder's own are on their way.
        if (resultFolder != folder)
            return;

        rows = std::move (resultRows);
        resultRows.clear();
    }

    listBox.updateContent();

    const auto place = std::lower_bound (rows.begin(), rows.end(), selectedName, comesBefore);
    juce::SparseSet<int> selection;

    if (selectedName.isNotEmpty() && place != rows.end() && *place == selectedName)
        selection.addRange ({ (int) (place - rows.begin()), (int) (place - rows.begin()) + 1 });

    listBox.setSelectedRows (selection, juce::dontSendNotification);
    listBox.repaint();
}

//==============================================================================
void ReportFolderList::paint (juce::Graphics& g)
{
    g.fillAll (findColour (juce::ListBox::backgroundColourId));
}

void ReportFolderList::resized()
{
    listBox.setBounds (getLocalBounds());
}

void ReportFolderList::paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool isSelected)
{
    if (! juce::isPositiveAndBelow (row, (int) rows.size()))
        return;

    g.setOrigin (rowIndent, 0);
    width -= rowIndent;

    if (isSelected)
    {
        g.setColour (findColour (juce::DirectoryContentsDisplayComponent::highlightColourId));
        g.fillRect (0, 0, width, height);
    }

    if (auto* icon = getLookAndFeel().getDefaultDocumentFileImage())
        icon->drawWithin (g, { 2.0f, 2.0f, iconWidth - 4.0f, (float) height - 4.0f },
                          juce::RectanglePlacement::centred | juce::RectanglePlacement::onlyReduceInSize, 1.0f);

    g.setColour (findColour (isSelected ? juce::DirectoryContentsDisplayComponent::highlightedTextColourId
                                        : juce::DirectoryContentsDisplayComponent::textColourId));
    g.setFont ((float) height * 0.7f);
    g.drawFittedText (rows[(size_t) row], iconWidth, 0, width - iconWidth, height, juce::Justification::centredLeft, 1);
}

void ReportFolderList::selectedRowsChanged (int lastRowSelected)
{
    if (! juce::isPositiveAndBelow (lastRowSelected, (int) rows.size()))
        return;

    selectedName = rows[(size_t) lastRowSelected];

    if (onSelect != nullptr)
        onSelect (getFile (lastRowSelected));
}
