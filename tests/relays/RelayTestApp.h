#pragma once
#include "TestApp.h"
#include "link/Configuration.h"
#include "panel/Relais.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <array>
#include <gtest/gtest.h>
#include <string>

namespace kwf::test {

// A minimal panel behind the fake port: keeps 64 registers, stores register writes, answers a
// register read with the value and anything else with one acknowledgement byte.
struct RegisterPanel {
    std::array<quint8, 64> regs{};

    QByteArray operator()(const QByteArray& frame)
    {
        const QByteArray f = frame.mid(frame.lastIndexOf('\x02') + 1);   // after the preamble
        if (f.size() < 7 || f[0] != '1')
            return {};
        auto nib = [&](int k) { return quint8(f[1 + k]) & 0x0F; };
        const size_t reg = size_t(nib(2) * 16 + nib(3)) & 63;
        if ((quint8(f[1]) & 0xF0) == 0x40)
            regs[reg] = quint8(nib(4) * 16 + nib(5));
        return QByteArray(1, (quint8(f[1]) & 0xF0) == 0x20 ? char(regs[reg]) : '\x06');
    }
};

// The program with a register-keeping panel behind the fake port, settings validated with the
// response control on.
struct RelayTestApp {
    TestApp app;
    RegisterPanel panel;

    explicit RelayTestApp(const QString& interface = QStringLiteral("Filaire "))
    {
        app.fake->responder = [this](const QByteArray& f) { return panel(f); };
        app.principal->show();
        app.validateWith("OUI", interface.toUtf8().constData());
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

// Everything a relay window shows, on one line: the twelve boxes ("--" for no selection), the
// 28 days (x when ticked), then "ferme" or "ouvre" for the contact option checked.
inline std::string stateOf(const Relais* w)
{
    QStringList s;
    for (QComboBox* c : w->Combo)
        s << (c->currentIndex() < 0 ? QStringLiteral("--") : c->currentText());
    QString days;
    for (QCheckBox* c : w->Check1)
        days += QLatin1Char(c->isChecked() ? 'x' : '.');
    s << days << QString::fromLatin1(w->Option1->isChecked() ? "ferme" : "")
                     + QString::fromLatin1(w->Option2->isChecked() ? "ouvre" : "");
    return s.join(QLatin1Char(' ')).toStdString();
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

using namespace kwf;
using namespace kwf::test;
