#pragma once
#include "core/Dcf77Log.h"
#include "core/Dcf77Reception.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace kwf {

struct AppContext;
class Dcf77Analysis;
class Dcf77Picture;

// The DCF77 monitor: while it runs the panel reports every DCF77 second with one character;
// the window lights its indicators, keeps the reception log one line per minute, counts the
// seconds and the complete minutes, decodes every complete minute, and saves the log.
class DCF77 : public QWidget {
    Q_OBJECT
public:
    explicit DCF77(const AppContext& ctx);
    ~DCF77() override;

    QGroupBox* Frame4 = nullptr;
    QPushButton* Command1 = nullptr;   // "Éffacer"
    QPushButton* Command2 = nullptr;   // "Démarrer"
    QPushButton* Command3 = nullptr;   // "Arrêter"
    QPushButton* Command6 = nullptr;   // save the log
    QPlainTextEdit* Text1 = nullptr;   // the log
    QLabel* Shape1 = nullptr;          // minute mark
    QLabel* Shape2 = nullptr;          // bit 0
    QLabel* Shape3 = nullptr;          // bit 1
    QLabel* Shape4 = nullptr;          // second flash
    QLabel* cnt = nullptr;             // seconds of the current minute
    QLabel* tra = nullptr;             // complete minutes
    QPlainTextEdit* DECODAGE = nullptr; // one line per complete minute, decoded
    QLabel* BILAN = nullptr;            // good and bad decoded minutes
    Dcf77Picture* RECEPTION = nullptr;  // the minutes and seconds at a glance, counters, verdict
    QPushButton* ANALYSER = nullptr;    // « Analyser un journal… »
    Dcf77Analysis* ANALYSE = nullptr;   // the last file analysed
    QTimer* Timer3 = nullptr;          // port poll, 200 ms
    QTimer* Timer1 = nullptr;          // end of the second flash, 500 ms

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command6_Click();
    void Timer1_Timer();
    void Timer3_Timer();
    void ANALYSER_Click();
    // Listens again, as when the window loads (the poll stops when a port goes).
    void listen();

    // The log exactly as it is kept and saved (CR LF line ends).
    const QString& logText() const { return m_log.text(); }
    const Dcf77Log& log() const { return m_log; }
    const Dcf77Reception& reception() const { return m_reception; }
    int goodMinutes() const { return m_good; }
    int badMinutes() const { return m_bad; }

signals:
    // The log's save brings the settings window to the front.
    void settingsWindowWanted();

private:
    void showIndicators();
    void showCounters();
    void showBilan();
    void appendToView(const QString& chunk);
    void addDecoded(const QByteArray& minuteChars);

    const AppContext& m_ctx;
    Dcf77Log m_log;
    Dcf77Reception m_reception;
    int m_good = 0;
    int m_bad = 0;
};

} // namespace kwf
