#pragma once
#include "app/Principal.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <string>

namespace kwf::test {

// The detection window, opened from its menu.
struct DetectTable {
    QWidget* w = nullptr;
    explicit DetectTable(Principal& p)
    {
        p.menuAction(QStringLiteral("MENU_DETECT"))->trigger();
        w = p.existingWindow(QStringLiteral("DETECT"));
    }
    QLabel* label(int index) const { return w->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(index)); }
    bool green(int index) const { return label(index)->palette().color(QPalette::Window) == QColor(0, 255, 0); }
    void scan() const { QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton); }
    // A row as "name|state|panel", each caption followed by "*" when it is green.
    std::string row(int n) const
    {
        QStringList parts;
        for (int i : {n, n + 14, n + 28})
            parts << label(i)->text() + (green(i) ? "*" : "");
        return parts.join('|').toStdString();
    }
};

} // namespace kwf::test
