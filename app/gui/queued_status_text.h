#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "search/program_search.h"
#include "ui/post_to_gui.h"

namespace orbix {

// The main window's label as a search worker reaches it: every text becomes
// a call queued to the window's thread, in the order made, so the worker
// never touches a widget. Calls still queued when the window goes are
// dropped with it.
class CQueuedStatusText final : public IStatusText {
  public:
    using Sink = std::function<void(const std::string& textGbk)>;
    CQueuedStatusText(QObject* window, Sink sink) : m_window(window), m_sink(std::move(sink)) {}

    void SetStatusText(const std::string& textGbk) override {
        PostToGui(m_window, [sink = m_sink, textGbk] { sink(textGbk); });
    }

  private:
    QObject* m_window;
    Sink m_sink;
};

}  // namespace orbix
