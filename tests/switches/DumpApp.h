#pragma once
#include "../relays/RelayTestApp.h"
#include "panel/dump.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QScrollBar>

namespace kwf::test {

inline const QColor kGreen(0, 255, 0), kWhite(255, 255, 255);
inline QColor base(QLineEdit* box) { return box->palette().color(QPalette::Base); }

// The display configuration window open on the scripted panel (its registers, reads and writes
// at hand).
struct DumpApp : RelayTestApp {
    explicit DumpApp(bool validated = true) : RelayTestApp(QStringLiteral("Filaire "), "OUI", validated) {}
    dump* w = open<dump>("dump");
    std::array<int, 64>& regs = panel.regs;
    std::vector<int>& reads = panel.reads;
    std::vector<std::pair<int, int>>& writes = panel.writes;

    template <class T> T* get(const QString& name) { return w->findChild<T*>(name); }
    QScrollBar* sw2(int i) { return get<QScrollBar>(QStringLiteral("SW2_%1").arg(i)); }
    QScrollBar* sw3(int i) { return get<QScrollBar>(QStringLiteral("SW1_%1").arg(i)); }
    QLineEdit* text2(int i) { return get<QLineEdit>(QStringLiteral("Text2_%1").arg(i)); }
    QLineEdit* text3(int i) { return get<QLineEdit>(QStringLiteral("Text3_%1").arg(i)); }
    QLineEdit* box(int n) { return get<QLineEdit>(QStringLiteral("Text1_%1").arg(n)); }
    void click(const char* name) { QTest::mouseClick(get<QPushButton>(QLatin1String(name)), Qt::LeftButton); }
    void uncoverGrid() { QTest::mouseDClick(get<QGroupBox>(QStringLiteral("Frame1")), Qt::LeftButton, {}, QPoint(4, 4)); }
    // Each switch is ON (scroll bar at 0) exactly when its description is green.
    void expectBanks(quint8 sw2Byte, quint8 sw3Byte)
    {
        for (int i = 0; i < 8; ++i)
            for (const auto& [bar, text, on] : {std::tuple{sw2(i), text2(i), (sw2Byte >> i) & 1}, {sw3(i), text3(i), (sw3Byte >> i) & 1}}) {
                EXPECT_EQ(bar->value(), on ? 0 : 1) << bar->objectName().toStdString();
                EXPECT_EQ(base(text), on ? kGreen : kWhite) << text->objectName().toStdString();
            }
    }
};

} // namespace kwf::test
