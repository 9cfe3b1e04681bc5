#pragma once
#include "core/UiServices.h"

#include <QStringList>
#include <vector>

namespace kwf::test {

// Records what would have been shown; dialogs answer from queues (empty: cancel).
class RecordingUi : public UiServices {
public:
    struct Message { QString text; MsgIcon icon; qint64 atMs; };
    std::vector<Message> messages;
    QStringList openAnswers, saveAnswers;          // next file names the dialogs return
    struct Dialog { QString proposed; };    // the file name each dialog proposed
    std::vector<Dialog> dialogs;
    QStringList openedDocuments;
    std::vector<QDateTime> systemTimes;            // what setSystemDateTime was asked
    bool refuseSystemTime = false;
    int clipboardClears = 0;
    // Time source for message timestamps (optional).
    std::function<qint64()> now;
    std::function<void()> whileShown;              // runs while each message is up

    void message(const QString& text, MsgIcon icon) override
    {
        messages.push_back({text, icon, now ? now() : 0});
        if (whileShown)
            whileShown();
    }
    QString getOpenFileName(const QString&, const QString&, const QString& p) override
    { dialogs.push_back({p}); return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst(); }
    QString getSaveFileName(const QString&, const QString&, const QString& p) override
    { dialogs.push_back({p}); return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst(); }
    bool openDocument(const QString& path) override { openedDocuments << path; return false; }
    bool setSystemDateTime(const QDateTime& dt, QString* reason) override
    {
        systemTimes.push_back(dt);
        if (refuseSystemTime && reason)
            *reason = QStringLiteral("refusé");
        return !refuseSystemTime;
    }
    void clearClipboard() override { ++clipboardClears; }
    struct List { QString heading; QStringList lines; bool ask; };
    std::vector<List> lists;                       // what showList was given
    bool listAnswer = true;
    bool showList(const QString& heading, const QStringList& lines, bool ask, const QString&) override
    {
        lists.push_back({heading, lines, ask});
        return ask && listAnswer;
    }

    QStringList texts() const
    {
        QStringList l;
        for (const auto& m : messages)
            l << m.text;
        return l;
    }
    QString lastText() const { return messages.empty() ? QString() : messages.back().text; }
};

} // namespace kwf::test
