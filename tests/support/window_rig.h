#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <mutex>

#include "app/gui/receiver_dlg.h"
#include "sim/card_logic_model.h"
#include "sim/front_end.h"
#include "sim/sim_card.h"
#include "tests/support/card_fixture.h"
#include "tests/support/sky_record.h"

namespace orbix::testing {

// A simulated card before the built-in sky, in virtual time or in real time,
// its image, and a database of the sky locked on 12622V; the notices keep
// "caption: text" of every box. MakeWindow makes the session and the main
// window, after whatever a test spoiled on the card.
struct WindowRig {
    explicit WindowRig(bool realTime = false)
        : time(realTime ? RealClock() : clock),
          frontEnd(sim::CSimFrontEnd::Create(sim::DefaultSky(), time)) {
        frontEnd->AttachTo(card);
        WriteFile(Path("conwh.ocx"), sim::CCardLogicModel::MakeValidImage());
        CChannelDatabase database(Path("SATSETUPL.ini"));
        StoreSky(database, sim::DefaultSky());
        database.WriteLockAndLast("Sat-Ku", "12622V");
    }
    std::string Path(const char* name) const {
        return dir.filePath(QString::fromLatin1(name)).toStdString();
    }
    void MakeWindow() {
        session = std::make_unique<CCardSession>(CardSessionContext{
            card, time, notices, card.IoBase(), Path("conwh.ocx"), Path("SATSETUPL.ini"), {}});
        dlg = std::make_unique<CReceiverDlg>(ReceiverParts{*session, notices, false, false});
    }

    QTemporaryDir dir;
    CVirtualClock clock;
    IClock& time;
    sim::CSimCard card;
    std::shared_ptr<sim::CSimFrontEnd> frontEnd;
    std::mutex mutex;
    QStringList shown;
    CQtNotices notices{QStringLiteral("orbixrx"),
                       [this](const Notice&, const QString& text, const QString& caption) {
                           std::lock_guard lock(mutex);
                           shown << caption + ": " + text;
                           return NoticeAnswer::Ok;
                       }};
    std::unique_ptr<CCardSession> session;
    std::unique_ptr<CReceiverDlg> dlg;
};

}  // namespace orbix::testing
