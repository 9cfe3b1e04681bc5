#pragma once
#include <QWidget>

class QLabel;
class QTimer;
class QTextEdit;

namespace kwf {

// The splash window: closes after 5 s, or at once on a key or a click on its contents.
class Splash : public QWidget {
    Q_OBJECT
public:
    explicit Splash(QWidget* parent = nullptr);
    QLabel* Label1 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Picture1 = nullptr;
    QTextEdit* Text1 = nullptr;
    QTimer* Timer1 = nullptr;

signals:
    // The splash has gone (already closed); the main window is to be shown.
    void finished();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finish();
    bool m_done = false;
};

} // namespace kwf
