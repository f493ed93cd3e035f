// Long notes in small boxes: what shows before the held-back part of a note
// is laid out must be what shows after, and nothing the user or a command
// does may meet a half-laid-out note.
#include "notebook.h"
#include "notes/DeferredTail.h"
#include "notes/NoteBox.h"
#include "support/test_support.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::notes;

namespace {

struct Shown {
    QWidget window;
    NoteBox* box;
    explicit Shown(QSize size) : box(new NoteBox(&window)) {
        window.resize(size + QSize(20, 20));
        box->setGeometry(QRect(QPoint(10, 10), size));
        window.show();
        QApplication::processEvents();
    }
    DeferredTail* tail() const { return box->findChild<DeferredTail*>(); }
    QImage viewport() const { return box->viewport()->grab().toImage(); }
};

QByteArray longNote(quint64 seed, int bytes = 4096) {
    return notebook::noteRtf(seed, bytes, QStringLiteral("2010年5月 第%1格").arg(seed));
}

int hiddenBlocks(const QTextDocument& doc) {
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) n += b.isVisible() ? 0 : 1;
    return n;
}

} // namespace

TEST(DeferredTail, WhatShowsFirstIsWhatShowsOnceTheWholeNoteIsLaidOut) {
    // Desk cells of a small and a large window, and the day schedule box.
    for (const QSize size : {QSize(133, 66), QSize(160, 100), QSize(194, 437)}) {
        for (quint64 seed = 1; seed <= 6; ++seed) {
            SCOPED_TRACE(testing::Message()
                         << size.width() << "x" << size.height() << " seed " << seed);
            const QByteArray rtf = longNote(seed);
            Shown deferred(size);
            deferred.box->LoadFromStream(rtf);
            const bool held = deferred.tail()->holding();
            if (size.height() < 120) {
                EXPECT_TRUE(held);
            }
            const QImage first = deferred.viewport();
            const bool vbar = deferred.box->verticalScrollBar()->isVisible();
            const bool hbar = deferred.box->horizontalScrollBar()->isVisible();

            QApplication::processEvents(); // the held-back part is laid out
            EXPECT_FALSE(deferred.tail()->holding());
            EXPECT_EQ(hiddenBlocks(*deferred.box->document()), 0);
            EXPECT_EQ(deferred.viewport(), first);
            EXPECT_EQ(deferred.box->verticalScrollBar()->isVisible(), vbar);
            EXPECT_EQ(deferred.box->horizontalScrollBar()->isVisible(), hbar);

            // The same note laid out whole from the start, in a box not yet shown.
            Shown whole(size);
            whole.box->hide();
            whole.box->LoadFromStream(rtf);
            whole.box->show();
            QApplication::processEvents();
            EXPECT_FALSE(whole.tail()->holding());
            EXPECT_EQ(whole.viewport(), first);
            EXPECT_EQ(whole.box->document()->documentLayout()->documentSize(),
                      deferred.box->document()->documentLayout()->documentSize());
            EXPECT_EQ(whole.box->SaveToStream(), deferred.box->SaveToStream());
        }
    }
}

TEST(DeferredTail, SmallBoxesHoldBackMostOfADenseNote) {
    Shown cell(QSize(133, 66));
    cell.box->LoadFromStream(longNote(7));
    ASSERT_TRUE(cell.tail()->holding());
    const QTextDocument& doc = *cell.box->document();
    EXPECT_GT(hiddenBlocks(doc) * 2, doc.blockCount());
    // Not laid out yet, yet written whole and read whole.
    EXPECT_EQ(cell.box->SaveToStream(), [&] {
        Shown other(QSize(133, 66));
        other.box->hide();
        other.box->LoadFromStream(longNote(7));
        return other.box->SaveToStream();
    }());
    EXPECT_TRUE(cell.box->PlainText().endsWith(doc.lastBlock().text()));
}

TEST(DeferredTail, TheUserOrACommandReachingForTheBoxGetsTheWholeNote) {
    const std::vector<std::pair<const char*, std::function<void(NoteBox&)>>> reaches = {
        {"focus",
         [](NoteBox& b) {
             QFocusEvent e(QEvent::FocusIn, Qt::TabFocusReason);
             QApplication::sendEvent(&b, &e);
         }},
        {"key", [](NoteBox& b) { QTest::keyClick(&b, Qt::Key_End, Qt::ControlModifier); }},
        {"click", [](NoteBox& b) { QTest::mouseClick(b.viewport(), Qt::LeftButton); }},
        {"wheel",
         [](NoteBox& b) {
             QWheelEvent e(QPointF(5, 5), b.viewport()->mapToGlobal(QPointF(5, 5)), QPoint(),
                           QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(b.viewport(), &e);
         }},
        {"scroll bar",
         [](NoteBox& b) { QTest::mouseClick(b.verticalScrollBar(), Qt::LeftButton); }},
        {"mark", [](NoteBox& b) { b.ReplaceSelection(QStringLiteral("√")); }},
        {"clear", [](NoteBox& b) { b.ClearText(); }},
        {"colour",
         [](NoteBox& b) {
             b.SetSelection(0, 3);
             b.SetSelColor(Qt::red);
         }},
    };
    for (const auto& [name, reach] : reaches) {
        SCOPED_TRACE(name);
        Shown cell(QSize(133, 66));
        cell.box->LoadFromStream(longNote(11));
        ASSERT_TRUE(cell.tail()->holding());
        reach(*cell.box);
        EXPECT_FALSE(cell.tail()->holding());
        EXPECT_EQ(hiddenBlocks(*cell.box->document()), 0);
    }
}

TEST(DeferredTail, LoadingAndLayingOutRaiseNoChangeAfterTheLoadItself) {
    Shown cell(QSize(133, 66));
    int changes = 0;
    QObject::connect(cell.box, &NoteBox::Changed, [&] { ++changes; });
    cell.box->LoadFromStream(longNote(3));
    const int byLoad = changes;
    QApplication::processEvents();
    EXPECT_EQ(changes, byLoad);
    // A second load before the first one's tail was laid out drops that work.
    cell.box->LoadFromStream(longNote(4));
    cell.box->LoadFromStream(QByteArray());
    QApplication::processEvents();
    EXPECT_TRUE(cell.box->toPlainText().isEmpty());
    EXPECT_FALSE(cell.tail()->holding());
}
