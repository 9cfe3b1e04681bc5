#pragma once
// The program with the brightness and colour windows, on a scripted or an emulated panel.
#include "EmulatedApp.h"
#include "TestApp.h"
#include "core/Frames.h"

#include <QAbstractButton>
#include <QRadioButton>
#include <QTest>

namespace kwf::test {

inline QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

// The scripted panel acknowledges the link test, the closing frame and register writes with one
// byte (writes as writeAnswer says when set), answers register reads with the register's value.
struct DisplayApp {
    std::unique_ptr<TestApp> app;
    std::array<quint8, 64> regs{};
    std::function<QByteArray(int reg)> writeAnswer, readAnswer;

    explicit DisplayApp(const char* response = "OUI", const char* interface = "Filaire ", bool emulated = false)
        : app(emulated ? makeEmulatedApp() : std::make_unique<TestApp>())
    {
        app->principal->show();
        app->principal->configuration()->SEL_COUL->setCurrentText(QStringLiteral("Tri couleur "));
        if (!emulated)
            app->fake->responder = [this](const QByteArray& f) { return answer(f); };
        app->validateWith(response, interface);
    }
    QByteArray answer(const QByteArray& frame)
    {
        const int i = int(frame.indexOf('1'));
        if (i < 0 || i + 7 > frame.size())
            return {};
        auto nib = [&](int k) { return quint8(frame[i + 1 + k]) & 0x0F; };
        const int reg = nib(2) * 16 + nib(3);
        switch (quint8(frame[i + 1]) & 0xF0) {
        case 0xC0:
        case 0xD0: return QByteArray(1, '\x06');
        case 0x40:
            if (writeAnswer)
                return writeAnswer(reg);
            regs[size_t(reg)] = quint8(nib(4) * 16 + nib(5));
            return QByteArray(1, '\x06');
        case 0x20: return readAnswer ? readAnswer(reg) : QByteArray(1, char(regs[size_t(reg)]));
        default: return {};
        }
    }
    template <class W> W* open(const char* name) { return qobject_cast<W*>(app->principal->showWindow(QLatin1String(name))); }
    // A radio button only takes clicks on its indicator and caption.
    static void press(QAbstractButton* b)
    {
        QTest::mouseClick(b, Qt::LeftButton, {}, qobject_cast<QRadioButton*>(b) ? QPoint(8, b->height() / 2) : QPoint());
    }
    QByteArray image(int first) const { return QByteArray(reinterpret_cast<const char*>(&app->tqv->TAB_DS()[first]), 5); }
    // The messages shown, each with its icon.
    using Shown = std::vector<std::pair<QString, MsgIcon>>;
    Shown shown() const
    {
        Shown v;
        for (const auto& m : app->ui.messages)
            v.emplace_back(m.text, m.icon);
        return v;
    }
    // The values of every command-block frame the fake port saw, in order.
    QByteArray sentBlocks() const
    {
        QByteArray values;
        for (const auto& w : app->fake->writes)
            if (w.bytes.size() == 12 && w.bytes.startsWith("\x02\x02\x31\x40\x40"))
                values.append(char(((quint8(w.bytes[7]) & 0x0F) << 4) | (quint8(w.bytes[8]) & 0x0F)));
        return values;
    }
};

} // namespace kwf::test
