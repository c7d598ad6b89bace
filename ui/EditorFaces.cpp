#include "EditorFaces.h"

#include "NolvResources.h"

namespace editorFaces
{
ButtonFaces offAndHover (NolvImageId off, NolvImageId hover)
{
    ButtonFaces faces;
    faces.normal = nolvImage (off);
    faces.over = nolvImage (hover);
    faces.normalOn = faces.over;
    return faces;
}

ButtonFaces offHoverAndOn (NolvImageId off, NolvImageId offHover, NolvImageId on)
{
    ButtonFaces faces;
    faces.normal = nolvImage (off);
    faces.over = nolvImage (offHover);
    faces.normalOn = nolvImage (on);
    faces.overOn = faces.normalOn;
    return faces;
}

ButtonFaces offAndOn (NolvImageId off, NolvImageId on)
{
    ButtonFaces faces;
    faces.normal = nolvImage (off);
    faces.normalOn = nolvImage (on);
    return faces;
}

ButtonFaces offOnAndDisabled (NolvImageId off, NolvImageId on, NolvImageId disabled)
{
    ButtonFaces faces;
    faces.normal = nolvImage (off);
    faces.normalOn = nolvImage (on);
    faces.disabled = nolvImage (disabled);

    // No disabled-on face: the framework then draws the on face dimmed, so a disabled button still
    // shows whether it is on.
    return faces;
}

ButtonFaces fourFaces (NolvImageId off, NolvImageId offHover, NolvImageId on, NolvImageId onHover)
{
    ButtonFaces faces;
    faces.normal = nolvImage (off);
    faces.over = nolvImage (offHover);
    faces.normalOn = nolvImage (on);
    faces.overOn = nolvImage (onHover);
    return faces;
}
} // namespace editorFaces
