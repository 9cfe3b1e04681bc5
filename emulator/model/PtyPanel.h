#pragma once
#include "model/PanelModel.h"

#include <QString>

#include <atomic>
#include <mutex>
#include <thread>

namespace kwf::emu {

// A panel behind a pseudo-terminal, in real time: the tool opens slavePath() like any serial
// device; a background thread serves the model on the master side.
//
//   PtyPanel panel;
//   panel.start();
//   panel.linkAs(programDir, 1);          // <programDir>/dosdevices/com1 -> the slave
//   { auto lock = panel.lock(); panel.model().faults().answerDelayMs = 1500; }
//   ...
//   panel.unplug();                        // the adapter is pulled out
class PtyPanel {
public:
    explicit PtyPanel(const QDateTime& panelStart = QDateTime::currentDateTime());
    ~PtyPanel();
    PtyPanel(const PtyPanel&) = delete;
    PtyPanel& operator=(const PtyPanel&) = delete;

    // Opens the pseudo-terminal (slave raw at once) and starts serving. False on failure.
    bool start();
    // Stops serving and closes the pseudo-terminal (removes the link made by linkAs).
    void stop();
    bool running() const { return m_thread.joinable(); }

    QString slavePath() const { return m_slavePath; }
    // Creates <dir>/dosdevices/com<n> pointing at the slave (replacing an older link).
    bool linkAs(const QString& dir, int n);
    QString linkPath() const { return m_linkPath; }

    // The model, to be touched only while holding lock().
    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(m_mutex); }
    PanelModel& model() { return m_model; }
    // Milliseconds on the model's time scale (since start()).
    qint64 nowMs() const;
    // The PC's time at that point of the model's time scale.
    QDateTime pcTimeAt(qint64 ms) const { return m_pcOrigin.addMSecs(ms); }

    // Closes the master side: whoever holds the slave sees the device vanish.
    void unplug();
    bool unplugged() const { return m_unplugged; }

    QString errorString() const { return m_error; }

private:
    void run();
    void closeMaster();

    PanelModel m_model;
    std::mutex m_mutex;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_unplugged{false};
    int m_master = -1;
    int m_wake[2] = {-1, -1};
    qint64 m_originNs = 0;
    QDateTime m_pcOrigin;
    QString m_slavePath;
    QString m_linkPath;
    QString m_error;
};

} // namespace kwf::emu
