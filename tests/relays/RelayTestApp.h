#pragma once
#include "RegisterPanel.h"
#include "TestApp.h"
#include "link/Configuration.h"
#include "panel/Relais.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace kwf::test {

// The program with a register-keeping panel behind the fake port, settings validated with the
// response control on.
struct RelayTestApp {
    TestApp app;
    RegisterPanel panel;

    explicit RelayTestApp(const QString& interface = QStringLiteral("Filaire "))
    {
        app.principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
        app.principal->configuration()->SEL_INTER->setCurrentText(interface);
        app.fake->responder = [this](const QByteArray& f) { return panel(f); };
        app.principal->show();
        app.validate();
        app.ui.messages.clear();
        app.takeWrites();
    }

    Relais* relais(int n)
    {
        return qobject_cast<Relais*>(app.principal->showWindow(QStringLiteral("Relais_%1").arg(n)));
    }

    static void click(QWidget* w)
    {
        ASSERT_NE(w, nullptr);
        // Check boxes and option buttons react on their indicator and text only: click near the left.
        const bool indicator = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
        QTest::mouseClick(w, Qt::LeftButton, {}, indicator ? QPoint(8, w->height() / 2) : QPoint());
    }
};

// Everything a relay window shows, for comparing two windows.
struct RelayState {
    std::vector<QString> boxes;
    std::vector<bool> days;
    bool closes = false, opens = false;
    bool operator==(const RelayState& o) const
    { return boxes == o.boxes && days == o.days && closes == o.closes && opens == o.opens; }
    bool operator!=(const RelayState& o) const { return !(*this == o); }
};

inline RelayState stateOf(const Relais* w)
{
    RelayState s;
    for (QComboBox* c : w->Combo)
        s.boxes.push_back(c->currentText());
    for (QCheckBox* c : w->Check1)
        s.days.push_back(c->isChecked());
    s.closes = w->Option1->isChecked();
    s.opens = w->Option2->isChecked();
    return s;
}

inline void PrintTo(const RelayState& s, std::ostream* os)
{
    for (const QString& b : s.boxes)
        *os << b.toStdString() << ' ';
    for (bool d : s.days)
        *os << (d ? '1' : '0');
    *os << (s.closes ? " ferme" : "") << (s.opens ? " ouvre" : "");
}

// A varied window state: some days in every alarm, hours, minutes and durations apart.
inline void setVariedState(Relais* w, bool closes)
{
    const int hours[4] = {23, 0, 7, 12}, minutes[4] = {59, 0, 5, 30}, durations[4] = {59, 1, 30, 10};
    for (int k = 1; k <= 4; ++k) {
        w->hourBox(k)->setCurrentIndex(hours[k - 1]);
        w->minuteBox(k)->setCurrentIndex(minutes[k - 1]);
        w->durationBox(k)->setCurrentIndex(durations[k - 1] - 1);
    }
    for (int i = 0; i < 28; ++i)
        w->Check1[size_t(i)]->setChecked((i * 5 + i / 7) % 3 == 0);
    (closes ? w->Option1 : w->Option2)->setChecked(true);
}

} // namespace kwf::test
