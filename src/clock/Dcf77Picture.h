#pragma once
#include "core/Dcf77Reception.h"

#include <QColor>
#include <QGroupBox>
#include <QWidget>

#include <vector>

class QLabel;
class QPlainTextEdit;

namespace kwf {

// A row of small coloured cells, each with its text (tool tip, screen readers: every cell is a
// child of the row in the accessibility tree). Only the cells that change are repainted.
class Dcf77Cells : public QWidget {
    Q_OBJECT
public:
    Dcf77Cells(int count, QSize cell, QWidget* parent);

    int count() const { return int(m_cells.size()); }
    void setCell(int i, const QColor& fill, const QString& text);
    QColor fill(int i) const { return m_cells[size_t(i)].fill; }
    QString text(int i) const { return m_cells[size_t(i)].text; }
    QRect cellRect(int i) const;
    int cellAt(const QPoint& p) const;
    // The region the last paint event asked for, for the tests of what is repainted.
    QRect lastPainted() const { return m_lastPainted; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    bool event(QEvent* e) override;

private:
    struct Cell { QColor fill; QString text; };
    std::vector<Cell> m_cells;
    QSize m_cell;
    QRect m_lastPainted;
};

// The reception at a glance: the last 60 minutes as a strip, the seconds of the minute in
// progress, the counters and a verdict in words.
class Dcf77Picture : public QGroupBox {
    Q_OBJECT
public:
    explicit Dcf77Picture(QWidget* parent);

    Dcf77Cells* BANDE = nullptr;      // one cell per minute, the newest on the right
    Dcf77Cells* SECONDES = nullptr;   // the seconds of the minute in progress
    QLabel* COMPTEURS = nullptr;
    QLabel* VERDICT = nullptr;

    // Everything again (after a clear, or for a replayed file).
    void showAll(const Dcf77Reception& r, qint64 nowMs);
    // After one character: the record it ended, or null.
    void characterAdded(const Dcf77Reception& r, const Dcf77MinuteRecord* ended, qint64 nowMs);
    // The counters and the verdict, which age with time.
    void showCounters(const Dcf77Reception& r, qint64 nowMs);

    static QColor kindColour(Dcf77MinuteRecord::Kind k);

private:
    void showStrip(const Dcf77Reception& r);
    void showSeconds(const QByteArray& chars);
};

// « Analyser un journal… »: the picture and the minutes of a saved file.
class Dcf77Analysis : public QWidget {
    Q_OBJECT
public:
    Dcf77Analysis(const QString& fileName, const Dcf77Replay& replay, QWidget* parent);
    Dcf77Picture* picture = nullptr;
    QPlainTextEdit* MINUTES = nullptr;
};

} // namespace kwf
