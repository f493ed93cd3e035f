#pragma once
// A main window on a fresh program folder with a fixed clock and a fake
// screen, its dialogs made as start-up makes them, and the program's end
// recorded instead of quitting.

#include "app/Main.h"
#include "app/MainFrame.h"
#include "app/uFrmSet.h"
#include "lock/untPWSet.h"
#include "store/untdb.h"
#include "support/test_support.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>

namespace kuvano::test {

// Lines of decimal numbers, as the window size file holds them.
inline QStringList numbers(std::initializer_list<int> values) {
    QStringList l;
    for (int v : values) l.append(QString::number(v));
    return l;
}

class MainFixture : public ::testing::Test {
protected:
    TempProgramFolder pf;
    FixedClock clock{QDateTime(QDate(2011, 6, 30), QTime(10, 0))};
    std::unique_ptr<FakeScreen> screen = std::make_unique<FakeScreen>(QSize(1366, 768));
    MessageRecorder messages;
    std::unique_ptr<notes::TDM> dm;
    std::unique_ptr<app::TMainForm> form;
    std::unique_ptr<lock::TpwsetFrm> pwset;
    std::unique_ptr<app::TFrmSetFrm> frmSet;
    int ends = 0;

    void useScreen(QSize size) {
        screen.reset(); // the old fake's end restores the real screen: before the new one
        screen = std::make_unique<FakeScreen>(size);
    }

    void start() {
        frmSet.reset();
        pwset.reset();
        form.reset();
        dm = std::make_unique<notes::TDM>(pf.folder());
        form = std::make_unique<app::TMainForm>(pf.folder(), *dm);
        form->endProgram = [this] { ++ends; };
        pwset = std::make_unique<lock::TpwsetFrm>(pf.folder(), form.get());
        frmSet = std::make_unique<app::TFrmSetFrm>(*form);
        form->setDialogs(pwset.get(), frmSet.get());
        form->show();
        QApplication::setActiveWindow(form.get());
        QApplication::processEvents();
    }
    void TearDown() override {
        frmSet.reset();
        pwset.reset();
        form.reset();
    }

    template <class T = QWidget> T* child(const QString& name) {
        T* w = form->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    void click(const QString& name) {
        auto* b = child<QAbstractButton>(name);
        if (b) b->click();
    }
    static void send(QWidget* w, QEvent::Type type, Qt::MouseButton button = Qt::LeftButton,
                     QPoint pos = QPoint(2, 2)) {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                         : type == QEvent::MouseMove        ? Qt::NoButton
                                                                     : Qt::MouseButtons(button);
        QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
};

} // namespace kuvano::test
