#include "ui/KivAnimation.h"

#include <QPainter>
#include <QTimer>
#include <cmath>
#include <numbers>

namespace kiv {

namespace {

constexpr int kFrameIntervalMs = 70;
constexpr QSize kSize(120, 60);
constexpr double kDatabaseWidth = 28;
constexpr double kSheetWidth = 12;
constexpr double kSheetHeight = 15;
constexpr double kArcHeight = 18;
const QColor kDatabaseColour(70, 110, 170);
const QColor kDatabaseTopColour(120, 160, 215);

}  // namespace

KivAnimation::KivAnimation(QWidget* parent) : QWidget(parent), mTimer(new QTimer(this)) {
    mTimer->setInterval(kFrameIntervalMs);
    connect(mTimer, &QTimer::timeout, this, &KivAnimation::advance);
    setFixedSize(kSize);
}

void KivAnimation::Play() {
    mTimer->start();
}

void KivAnimation::Stop() {
    mTimer->stop();
    miFrame = 0;
    update();
}

bool KivAnimation::IsPlaying() const {
    return mTimer->isActive();
}

void KivAnimation::advance() {
    miFrame = (miFrame + 1) % kFrames;
    update();
}

void KivAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect().adjusted(2, 2, -2, -2);
    const double databaseTop = area.top() + area.height() * 0.5;
    const QRectF source(area.left(), databaseTop, kDatabaseWidth, area.bottom() - databaseTop);
    const QRectF target(area.right() - kDatabaseWidth, databaseTop, kDatabaseWidth,
                        source.height());
    drawDatabase(painter, source);
    drawDatabase(painter, target);
    // Two sheets half a loop apart keep the picture busy.
    for (const int offset : {0, kFrames / 2}) {
        const double progress = static_cast<double>((miFrame + offset) % kFrames) / kFrames;
        const double x =
            source.center().x() + progress * (target.center().x() - source.center().x());
        const double y = databaseTop - std::sin(progress * std::numbers::pi) * kArcHeight;
        drawSheet(painter, QPointF(x, y));
    }
}

void KivAnimation::drawDatabase(QPainter& painter, const QRectF& area) const {
    const double lid = area.height() * 0.3;
    painter.setPen(QPen(kDatabaseColour.darker(140), 1));
    painter.setBrush(kDatabaseColour);
    painter.drawRect(QRectF(area.left(), area.top() + lid / 2, area.width(), area.height() - lid));
    painter.drawEllipse(QRectF(area.left(), area.bottom() - lid, area.width(), lid));
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(area.left() + 1, area.bottom() - lid, area.width() - 2, lid / 2));
    painter.setPen(QPen(kDatabaseColour.darker(140), 1));
    painter.setBrush(kDatabaseTopColour);
    painter.drawEllipse(QRectF(area.left(), area.top(), area.width(), lid));
}

void KivAnimation::drawSheet(QPainter& painter, const QPointF& centre) const {
    const QRectF sheet(centre.x() - kSheetWidth / 2, centre.y() - kSheetHeight / 2, kSheetWidth,
                       kSheetHeight);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    for (int line = 1; line <= 3; ++line) {
        const double y = sheet.top() + line * kSheetHeight / 4;
        painter.drawLine(QPointF(sheet.left() + 2, y), QPointF(sheet.right() - 2, y));
    }
}

}  // namespace kiv
