#pragma once
#include "TestApp.h"
#include "core/Frames.h"
#include "link/Configuration.h"

#include <QComboBox>
#include <QPushButton>
#include <array>

namespace kwf::test {

// A scripted panel behind the fake port: one byte for the link and closing frames, one byte per
// register write (or a chosen count for the whole write), the register's value for a read.
struct ScriptedPanel {
    std::array<quint8, 64> regs{};
    bool answers = true;          // false: silent panel
    int writeAnswerBytes = -1;    // bytes given for a whole eight-register write; -1: one each
    int readAnswers = -1;         // how many read frames get their byte; -1: all
    int extraReadBytes = 0;       // bytes added after the last read answer
    int writesSeen = 0, readsSeen = 0;

    static int frameRegister(const QByteArray& f)
    {
        const int at = f.indexOf('1');
        return (quint8(f[at + 3]) & 0x0F) * 16 + (quint8(f[at + 4]) & 0x0F);
    }

    QByteArray answer(const QByteArray& f)
    {
        if (!answers)
            return {};
        const int at = f.indexOf('1');
        const quint8 base = quint8(f[at + 1]) & 0xF0;
        if (base == kBaseWrite) {
            ++writesSeen;
            if (writeAnswerBytes < 0)
                return QByteArray(1, '\x06');
            // The whole count arrives with the last frame of the eight.
            return writesSeen % 8 == 0 ? QByteArray(writeAnswerBytes, '\x06') : QByteArray();
        }
        if (base == kBaseRead) {
            ++readsSeen;
            if (readAnswers >= 0 && readsSeen > readAnswers)
                return {};
            QByteArray b(1, char(regs[size_t(frameRegister(f))]));
            if (readsSeen % 8 == 0)
                b.append(QByteArray(extraReadBytes, '\x55'));
            return b;
        }
        return QByteArray(1, '\x06');
    }
};

// The program on fakes with the settings validated and a scripted panel on the line.
struct ClockFixture {
    TestApp app;
    ScriptedPanel panel;

    explicit ClockFixture(const char* response = "OUI", const char* interface = "Filaire ")
    {
        app.principal->configuration()->SEL_REP->setCurrentText(QString::fromUtf8(response));
        app.principal->configuration()->SEL_INTER->setCurrentText(QString::fromUtf8(interface));
        app.fake->responder = [this](const QByteArray& f) { return panel.answer(f); };
        app.validate();
        app.ui.messages.clear();
        app.takeWrites();
    }

    template <class T = QWidget>
    T* window(const char* name) { return qobject_cast<T*>(app.principal->showWindow(QString::fromLatin1(name))); }

    QStringList writtenHex()
    {
        QStringList l;
        for (const QByteArray& w : app.takeWrites())
            l << QString::fromLatin1(hexBytes(w));
        return l;
    }
};

inline QString hexOf(const char* s) { return QString::fromLatin1(s); }

} // namespace kwf::test
