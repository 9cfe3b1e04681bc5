#pragma once
#include "ScriptedPanel.h"
#include "TestApp.h"
#include "link/Configuration.h"
#include "panel/Relais.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

namespace kwf::test {

// The program with the scripted panel behind the fake port: tricolour display and, unless asked
// otherwise, validated with the response control and interface given, the messages and frames of
// the validation forgotten. The fixture of every window test on the scripted panel.
struct RelayTestApp {
    TestApp app;
    ScriptedPanel panel;

    explicit RelayTestApp(const QString& interface = QStringLiteral("Filaire "), const char* response = "OUI",
                          bool validated = true)
    {
        app.fake->responder = [this](const QByteArray& f) { return panel(f); };
        app.principal->configuration()->SEL_COUL->setCurrentText(QStringLiteral("Tri couleur "));
        if (validated)
            app.validateWith(response, interface.toUtf8().constData());
    }

    template <class W> W* open(const QString& name) { return qobject_cast<W*>(app.principal->showWindow(name)); }
    Relais* relais(int n) { return open<Relais>(QStringLiteral("Relais_%1").arg(n)); }

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
