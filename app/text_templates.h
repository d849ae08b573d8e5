#pragma once

#include <string_view>

#include "app/gui/ip_data_texts.h"
#include "app/player/player_texts.h"
#include "db/channel_file_texts.h"
#include "db/db_texts.h"
#include "db/merge_texts.h"
#include "search/search_texts.h"
#include "ui/sattree/sat_tree_texts.h"

namespace orbix {

// Every text of the program that carries values, as the template it is
// built from, so that the translation can find the values in it. Both
// programs hand this list to their translation.
inline constexpr std::string_view kTextTemplates[] = {
    channel_file_texts::kAtLine,
    channel_file_texts::kInFile,
    channel_file_texts::kSkippedDvbs2,
    channel_file_texts::kSkippedOther,
    channel_file_texts::kOutsideLnb,
    channel_file_texts::kSkippedOutOfRange,
    channel_file_texts::kNameChanged,
    channel_file_texts::kNoSatellite,
    channel_file_texts::kExportSkipped,
    channel_file_texts::kExported,
    merge_texts::kAddedTo,
    merge_texts::kDuplicates,
    merge_texts::kNameClashes,
    db_texts::kNotWritten,
    db_texts::kDamaged,
    player_texts::kPlaying,
    player_texts::kSaving,
    player_texts::kReplaceRecording,
    player_texts::kPlayerCannotWrite,
    player_texts::kNoPidRoom,
    player_texts::kRecordingGotNoData,
    player_texts::kRecorderFailed,
    sattree_texts::kLockFirst,
    texts::kSearchDoneNote,
    texts::kSearchAgain,
    texts::kReasonNotStored,
    texts::kReasonProvidersNotStored,
    texts::kReasonNoPidRoom,
    texts::kNoDataWarning,
    texts::kNetworkScanDone,
    ip_texts::kCannotStart,
    ip_texts::kReceiving,
};

}  // namespace orbix
