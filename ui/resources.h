#pragma once

#include <QPoint>
#include <QString>

namespace orbix {

// Resource numbers of the images compiled into the program.
enum ResourceId : int {
    kIconProgram = 128,
    kIconLocked = 133,
    kIconNotLocked = 134,
    kCursorLink = 141,
    kFaceMain = 129,
    kFaceMainPressed = 136,
    kFaceProgramList = 130,
    kFaceProgramListPressed = 137,
    kFaceSatTree = 150,
    kFaceSatTreePressed = 151,
};

// Where the link cursor points: the tip of the index finger.
inline constexpr QPoint kLinkCursorHotSpot{8, 1};

// The resource path of an image by its number (":/bitmap/129",
// ":/icon/128", ":/cursor/141"); empty for an unknown number.
QString ResourcePath(int resourceId);

// Registers the compiled-in images; safe to call more than once.
void InitResources();

}  // namespace orbix
