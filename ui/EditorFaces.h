#pragma once

#include "NolvImages.h"
#include "NolvWidgets.h"

/** The face sets of the editor's image buttons, slot by slot, named by the kind of button that
    shows them. Message thread only (the images come through the image cache). */
namespace editorFaces
{
/** Off and its hover face; the hover face also shows while on (the page buttons, RESET). */
ButtonFaces offAndHover (NolvImageId off, NolvImageId hover);

/** Off, off hover and on (also while hovered): PLAY/STOP. */
ButtonFaces offHoverAndOn (NolvImageId off, NolvImageId offHover, NolvImageId on);

/** Off and on: the choice buttons of the settings page, the LEDs and LOCK. */
ButtonFaces offAndOn (NolvImageId off, NolvImageId on);

/** Off, on and disabled in either state: 5.1 and downmix. */
ButtonFaces offOnAndDisabled (NolvImageId off, NolvImageId on, NolvImageId disabled);

/** Off, off hover, on, on hover: the gating box and the connection Start/Stop. */
ButtonFaces fourFaces (NolvImageId off, NolvImageId offHover, NolvImageId on, NolvImageId onHover);
} // namespace editorFaces
