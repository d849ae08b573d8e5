#pragma once

#include <functional>
#include <string>

namespace orbix {

enum class SearchStage {
    Started,      // the socket is open, the PAT is awaited
    PatReceived,  // programs: how many programs the PAT lists
    PmtProgress,  // pmtsReceived of programs PMTs are in
    Stored,       // stored programs are in the database
    Failed,       // reasonGbk says why
};

// How far a program search has come; given to the progress callback on the
// search's own thread.
struct SearchProgress {
    SearchStage stage = SearchStage::Started;
    // Programs the PAT lists (entries with a non-zero program number).
    int programs = 0;
    // Programs whose PMT has come so far.
    int pmtsReceived = 0;
    // Program records written.
    int stored = 0;
    // Why the search failed, in GBK plain words; empty unless Failed.
    std::string reasonGbk;
};

using SearchProgressFn = std::function<void(const SearchProgress&)>;

}  // namespace orbix
