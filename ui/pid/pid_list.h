#pragma once

#include "db/pid_list.h"

// What the PID settings dialog shows for a new PID the list refuses.
namespace orbix::pidlist {

struct Refusal {
    const char* textUtf8;
    const char* captionUtf8;  // "" for the application's name
    bool clearEdit;           // empty the edit and put the focus on it
};
Refusal RefusalFor(AddCheck check);

}  // namespace orbix::pidlist
