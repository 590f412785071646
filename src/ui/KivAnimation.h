#pragma once

#include <QWidget>

class QPainter;
class QTimer;

namespace kiv {

// The animation that plays while a run is going on: sheets of data travelling from one
// database to another. It is drawn by the program itself, so no clip file has to be found
// next to the executable.
class KivAnimation : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrames = 16;

    explicit KivAnimation(QWidget* parent = nullptr);

    // Plays in a loop until stopped.
    void Play();
    // Stops and goes back to the first frame.
    void Stop();
    bool IsPlaying() const;
    int Frame() const { return miFrame; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void advance();
    void drawDatabase(QPainter& painter, const QRectF& area) const;
    void drawSheet(QPainter& painter, const QPointF& centre) const;

    QTimer* mTimer;
    int miFrame = 0;
};

}  // namespace kiv
