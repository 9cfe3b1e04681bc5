#pragma once
// The program with the brightness and colour windows, on the scripted panel.
#include "../relays/RelayTestApp.h"
#include "core/Frames.h"

namespace kwf::test {

inline QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

// The scripted panel's fixture, where writeAnswer and readAnswer, when set, answer the register
// writes and reads.
struct DisplayApp : RelayTestApp {
    std::function<QByteArray(int reg)> writeAnswer, readAnswer;

    explicit DisplayApp(const char* response = "OUI", const char* interface = "Filaire ")
        : RelayTestApp(QString::fromUtf8(interface), response)
    {
        panel.script = [this](const PanelFrame& p) -> std::optional<QByteArray> {
            const auto* answer = p.base == kBaseWrite ? &writeAnswer : p.base == kBaseRead ? &readAnswer : nullptr;
            return answer && *answer ? std::optional((*answer)(p.reg)) : std::nullopt;
        };
    }
    QByteArray image(int first) const { return QByteArray(reinterpret_cast<const char*>(&app.tqv->TAB_DS()[first]), 5); }
    // The messages shown, each with its icon.
    using Shown = std::vector<std::pair<QString, MsgIcon>>;
    Shown shown() const
    {
        Shown v;
        for (const auto& m : app.ui.messages)
            v.emplace_back(m.text, m.icon);
        return v;
    }
    // The values of every command-block frame the fake port saw, in order.
    QByteArray sentBlocks() const
    {
        QByteArray values;
        for (const auto& w : app.fake->writes)
            if (w.bytes.size() == 12 && w.bytes.startsWith("\x02\x02\x31\x40\x40"))
                values.append(char(((quint8(w.bytes[7]) & 0x0F) << 4) | (quint8(w.bytes[8]) & 0x0F)));
        return values;
    }
};

} // namespace kwf::test
