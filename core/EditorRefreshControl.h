#pragma once

/** How often the display takes the processor's snapshot. Hold times counted in ticks depend on it. */
constexpr int editorRefreshIntervalMs = 50;

/** What the processor needs of its editor: the start and stop of its periodic refresh, so the
    display stands still while no device plays. Implemented by the editor; called on the thread
    that starts and stops the device. */
class EditorRefreshControl
{
public:
    virtual ~EditorRefreshControl() = default;
    virtual void startRefresh (int intervalMilliseconds) = 0;
    virtual void stopRefresh() = 0;
};
