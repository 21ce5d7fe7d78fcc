#pragma once
// The recording level beside the recording buttons: a bar of the input's loudness on a decibel scale with
// a peak mark that holds for a moment, and the time recorded so far.
#include <QElapsedTimer>
#include <QWidget>

class CLevelMeter : public QWidget {
    Q_OBJECT
public:
    explicit CLevelMeter(QWidget* parent = nullptr);

    // The loudest sample (0..1 of full scale) since the last call, and the seconds recorded.
    void SetLevel(double peak, double seconds);
    void Reset();

    double Level() const { return m_Level; }
    // "00:07": what the meter shows as the time.
    QString TimeText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    double m_Level = 0; // 0..1 along the bar
    double m_Held = 0;
    double m_Seconds = 0;
    QElapsedTimer m_HeldSince;
};

// Where a peak (0..1 of full scale) lies on the meter's bar, which spans -60 dBFS to 0 dBFS.
double MeterPosition(double peak);
