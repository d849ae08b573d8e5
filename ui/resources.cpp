#include "ui/resources.h"

#include <QtGlobal>
#include <array>
#include <mutex>

// Q_INIT_RESOURCE has to be used outside any namespace.
static void InitOrbixResources() { Q_INIT_RESOURCE(orbixrx); }

namespace orbix {
namespace {

struct ResourceName {
    int id;
    const char* path;
};

constexpr std::array<ResourceName, 10> kResourceNames{{
    {kIconProgram, ":/icon/128"},
    {kIconLocked, ":/icon/133"},
    {kIconNotLocked, ":/icon/134"},
    {kCursorLink, ":/cursor/141"},
    {kFaceMain, ":/bitmap/129"},
    {kFaceMainPressed, ":/bitmap/136"},
    {kFaceProgramList, ":/bitmap/130"},
    {kFaceProgramListPressed, ":/bitmap/137"},
    {kFaceSatTree, ":/bitmap/150"},
    {kFaceSatTreePressed, ":/bitmap/151"},
}};

}  // namespace

QString ResourcePath(int resourceId) {
    for (const ResourceName& r : kResourceNames) {
        if (r.id == resourceId) return QString::fromLatin1(r.path);
    }
    return {};
}

void InitResources() {
    static std::once_flag once;
    std::call_once(once, InitOrbixResources);
}

}  // namespace orbix
