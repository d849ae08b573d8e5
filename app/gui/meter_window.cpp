#include "app/gui/meter_window.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>
#include <fstream>

#include "app/gui/gui_texts.h"
#include "app/gui/status_painter.h"
#include "platform/text.h"
#include "ui/qt_text.h"

namespace orbix {
namespace {

void DrawLine(QPainter& painter, const std::vector<MeterPoint>& points, Rgb colour) {
    if (points.empty()) return;
    QPolygon line;
    line.reserve(static_cast<int>(points.size()));
    for (const MeterPoint& p : points) line << QPoint(p.x, p.y);
    painter.setPen(QPen(ToQColor(colour), 1));
    painter.drawPolyline(line);
}

std::optional<std::string> AskCsvPathWithDialog(QWidget* parent) {
    const QString path = QFileDialog::getSaveFileName(parent, TrGbk(texts::MeterExport()),
                                                      QString(), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return std::nullopt;
    return path.toLocal8Bit().toStdString();
}

}  // namespace

CMeterGraph::CMeterGraph(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 120);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CMeterGraph::SetScene(MeterScene scene) {
    m_scene = std::move(scene);
    update();
}

void CMeterGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(kMeterGround));
    for (const MeterSpan& s : m_scene.locked)
        painter.fillRect(QRect(s.from, 0, s.to - s.from, m_scene.height),
                         ToQColor(kMeterLockShade));
    painter.setPen(QPen(ToQColor(kMeterPeak), 1, Qt::DashLine));
    painter.drawLine(0, m_scene.peakLevelY, m_scene.width - 1, m_scene.peakLevelY);
    painter.drawLine(0, m_scene.peakQualityY, m_scene.width - 1, m_scene.peakQualityY);
    DrawLine(painter, m_scene.quality, kMeterQuality);
    DrawLine(painter, m_scene.level, kMeterLevel);
}

CMeterWindow::CMeterWindow(MeterWindowParts parts, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_parts(std::move(parts)),
      m_graph(new CMeterGraph(this)),
      m_current(new QLabel(this)),
      m_span(new QComboBox(this)),
      m_soundBox(new QCheckBox(TrGbk(texts::MeterSound()), this)) {
    if (!m_parts.askCsvPath) m_parts.askCsvPath = [this] { return AskCsvPathWithDialog(this); };
    setWindowTitle(TrGbk(texts::MeterTitle()));
    QPalette face = palette();
    face.setColor(QPalette::Window, ToQColor(kMeterFace));
    setPalette(face);
    setAutoFillBackground(true);
    QFont big = font();
    big.setPointSize(16);
    big.setBold(true);
    m_current->setFont(big);
    for (std::int64_t span : kMeterSpansMs)
        m_span->addItem(QString::number(span / 60'000) + TrGbk(texts::MeterMinutes()));
    auto* reset = new QPushButton(TrGbk(texts::MeterResetPeak()), this);
    auto* exportCsv = new QPushButton(TrGbk(texts::MeterExport()), this);
    auto* controls = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(m_span), static_cast<QWidget*>(reset),
                       static_cast<QWidget*>(m_soundBox), static_cast<QWidget*>(exportCsv)})
        controls->addWidget(w);
    controls->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_current);
    layout->addWidget(m_graph, 1);
    layout->addLayout(controls);
    connect(reset, &QPushButton::clicked, this, &CMeterWindow::ResetPeak);
    connect(exportCsv, &QPushButton::clicked, this, [this] { ExportCsv(); });
    connect(m_soundBox, &QCheckBox::toggled, this, [this](bool on) { SetSound(on); });
    connect(m_span, &QComboBox::currentIndexChanged, this, [this](int) { Refresh(); });
    m_timer.setInterval(kRefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &CMeterWindow::Refresh);
    Refresh();
}

CMeterWindow::~CMeterWindow() { m_sound.Stop(); }

void CMeterWindow::SetSpanIndex(int index) { m_span->setCurrentIndex(index); }

void CMeterWindow::Refresh() {
    const std::int64_t span = kMeterSpansMs[std::max(m_span->currentIndex(), 0)];
    MeterScene scene =
        BuildMeterScene(m_parts.history.Recent(span), span, m_parts.history.PeakHold(),
                        m_graph->width(), m_graph->height());
    const SignalSample& now = scene.current;
    m_current->setText(QStringLiteral("%1 %2%   %3 %4%   %5 %6/%7")
                           .arg(TrGbk(texts::MeterLevel()))
                           .arg(now.level)
                           .arg(TrGbk(texts::MeterQuality()))
                           .arg(now.quality)
                           .arg(TrGbk(texts::MeterPeak()))
                           .arg(scene.peak.level)
                           .arg(scene.peak.quality));
    m_current->setStyleSheet(
        QStringLiteral("color: %1")
            .arg(ToQColor(LockColour(now.locked)).darker(now.locked ? 160 : 100).name()));
    m_sound.SetQuality(now.quality);
    m_graph->SetScene(std::move(scene));
}

void CMeterWindow::ResetPeak() {
    m_parts.history.ResetPeak();
    Refresh();
}

bool CMeterWindow::ExportCsv() {
    const std::optional<std::string> path = m_parts.askCsvPath();
    if (!path) return false;
    const std::string csv = SignalHistoryCsv(m_parts.history.All());
    std::ofstream out(*path, std::ios::binary | std::ios::trunc);
    out << csv;
    out.close();
    if (!out) {
        m_parts.notices.Tell(texts::ExportFailed());
        return false;
    }
    return true;
}

bool CMeterWindow::SetSound(bool on) {
    if (!on) {
        m_sound.Stop();
        return true;
    }
    std::string error;
    if (m_sound.Start(error)) return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    const QSignalBlocker block(m_soundBox);
    m_soundBox->setChecked(false);
    m_soundBox->setToolTip(TrGbk(texts::MeterNoSound()));
    return false;
}

void CMeterWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    m_timer.start();
}

void CMeterWindow::hideEvent(QHideEvent* event) {
    m_timer.stop();
    m_sound.Stop();
    {
        const QSignalBlocker block(m_soundBox);
        m_soundBox->setChecked(false);
    }
    QWidget::hideEvent(event);
}

}  // namespace orbix
