#pragma once

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QTest>

namespace kuvano::test {

// Types text as a user would: plain keys for ASCII, an input method's commit
// for Chinese (QTest's key clicks only know ASCII).
inline void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClicks(widget, QString(c));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QCoreApplication::sendEvent(widget, &commit);
        }
    }
}

} // namespace kuvano::test
