#include "app/MainSync.h"

#include "app/Main.h"
#include "app/MainFrame.h"
#include "app/SyncWindows.h"
#include "platform/background.h"
#include "platform/guarded.h"
#include "platform/keyring.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"
#include "store/untdb.h"

#include <QAction>
#include <QCryptographicHash>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenu>

namespace kuvano::app {

namespace {

MainSync::PasswordPrompt& promptHook() {
    static MainSync::PasswordPrompt hook;
    return hook;
}

struct EntrySpec {
    const char* name;
    const char16_t* caption;
    void (MainSync::*handler)();
};
constexpr EntrySpec kEntries[] = {
    {"N_SyncSettings", u"同步设置…", &MainSync::openSettings},
    {"N_SyncNow", u"立即同步", &MainSync::syncNow},
    {"N_SyncConflicts", u"同步冲突…", &MainSync::openConflicts},
    {"N_ExportICalendar", u"导出 iCalendar…", &MainSync::exportICalendar},
    {"N_ImportICalendar", u"导入 iCalendar…", &MainSync::importICalendar},
};

} // namespace

QString SyncRequestServerName(const ProgramFolder& folder) {
    const QByteArray id =
        QCryptographicHash::hash(folder.root().toUtf8(), QCryptographicHash::Sha256).toHex();
    return SingleInstance::serverName(TMainForm::className() + QStringLiteral("-sync-") +
                                      QString::fromLatin1(id.left(16)));
}

void MainSync::setPasswordPrompt(PasswordPrompt prompt) {
    promptHook() = std::move(prompt);
}

MainSync::MainSync(TMainForm& form, const ProgramFolder& folder, notes::TDM& dm)
    : QObject(&form), form_(form), folder_(folder), dm_(dm), runner_(folder) {
    setObjectName(QStringLiteral("MainSync"));
    // Before "密码设置", a group of their own.
    QMenu* menu = form_.frame().optionsMenu();
    QAction* before = form_.frame().entry(OptionsEntry::Password);
    menu->insertSeparator(before);
    for (const EntrySpec& e : kEntries) {
        auto* a = new QAction(QString::fromUtf16(e.caption), menu);
        a->setObjectName(QLatin1String(e.name));
        menu->insertAction(before, a);
        connect(a, &QAction::triggered, this,
                [this, handler = e.handler] { guarded(&form_, [&] { (this->*handler)(); }); });
    }
    menu->insertSeparator(before);

    connect(&runner_, &sync::SyncRunner::statusChanged, this, &MainSync::showStatus);
    connect(&runner_, &sync::SyncRunner::notesChanged, this, &MainSync::reloadNotes);
    dm_.onNoteChanged = [this] { runner_.notesTyped(); };
    listenForRequests();
    // The keyring may take a moment to answer: not before the first frame.
    afterFirstPaint(form_, [this] { guarded(&form_, [this] { startFromSettings(); }); });
}

MainSync::~MainSync() {
    dm_.onNoteChanged = nullptr;
}

QAction* MainSync::entry(const char* name) const {
    return form_.frame().optionsMenu()->findChild<QAction*>(QLatin1String(name));
}

void MainSync::startFromSettings() {
    sync::SyncSettings settings;
    try {
        settings = sync::ReadSyncSettings(folder_);
    } catch (const FileError& e) {
        runner_.configure({}, {});
        form_.frame().ShowSyncState(QStringLiteral("同步出错: ") + e.message());
        return;
    }
    if (!settings.configured()) {
        runner_.configure({}, {});
        return;
    }
    QString why;
    std::optional<QString> password;
    const QByteArray file = qgetenv("KUVANO_SYNC_PASSWORD_FILE");
    if (!file.isEmpty()) {
        password = keyring::passwordFromFile(QString::fromLocal8Bit(file), &why);
    } else {
        const keyring::Answer a = keyring::readPassword(settings.keyringKey());
        password = a.password;
        why = a.why;
    }
    if (!password) {
        // No keyring keeps it: asked at each start, saying why.
        const QString text = why + QStringLiteral("\n\n请输入 %1 在 %2 的同步密码：")
                                       .arg(settings.user, settings.url.toDisplayString());
        if (promptHook()) {
            password = promptHook()(text);
        } else {
            bool ok = false;
            const QString typed = QInputDialog::getText(&form_, QStringLiteral("同步密码"), text,
                                                        QLineEdit::Password, QString(), &ok);
            if (ok) password = typed;
        }
    }
    if (!password || password->isEmpty()) {
        runner_.configure({}, {});
        form_.frame().ShowSyncState(QStringLiteral("同步出错: 没有同步密码"));
        return;
    }
    runner_.configure(settings, *password);
}

void MainSync::showStatus(const sync::SyncStatus& status) {
    form_.frame().ShowSyncState(status.text());
}

void MainSync::reloadNotes() {
    // What the sync wrote shows at once on the page on view.
    form_.ChnCalendar1Change();
}

void MainSync::syncNow() {
    if (!runner_.active()) {
        openSettings();
        return;
    }
    runner_.syncNow();
}

void MainSync::openSettings() {
    if (!settings_) {
        settings_ = new SyncSettingsWindow(folder_, &form_);
        settings_->onSaved = [this](const sync::SyncSettings& s, const QString& password) {
            runner_.configure(s, password);
            if (!s.configured()) form_.frame().ShowSyncState({});
        };
    }
    settings_->load();
    settings_->exec();
}

void MainSync::openConflicts() {
    if (!conflicts_) {
        conflicts_ = new SyncConflictsWindow(folder_, dm_, &form_);
        conflicts_->onNotesChanged = [this] { reloadNotes(); };
    }
    conflicts_->reload();
    conflicts_->show();
    conflicts_->raise();
    conflicts_->activateWindow();
}

void MainSync::exportICalendar() {
    form_.MoveFocusToFlush();
    ExportICalendarWithDialog(&form_, dm_);
}

void MainSync::importICalendar() {
    form_.MoveFocusToFlush();
    if (ImportICalendarWithDialog(&form_, folder_, dm_)) reloadNotes();
}

void MainSync::listenForRequests() {
    const QString name = SyncRequestServerName(folder_);
    if (name.isEmpty()) return;
    requests_ = new QLocalServer(this);
    requests_->setSocketOptions(QLocalServer::UserAccessOption);
    // The notebook lock is ours: a server left here is a crashed copy's.
    QLocalServer::removeServer(name);
    if (!requests_->listen(name)) return;
    connect(requests_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = requests_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] { answerRequest(s); });
        }
    });
}

void MainSync::answerRequest(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > 64) socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(64).trimmed();
    if (line != "sync") {
        socket->abort();
        return;
    }
    if (!runner_.active()) {
        socket->write("error " + QStringLiteral("这个笔记本还没有设置同步").toUtf8() + '\n');
        socket->disconnectFromServer();
        return;
    }
    QPointer<QLocalSocket> guard(socket);
    auto once = std::make_shared<QMetaObject::Connection>();
    // A sync already running answers for the time before the request: the
    // one after it answers.
    auto skip = std::make_shared<int>(runner_.running() ? 1 : 0);
    *once = connect(&runner_, &sync::SyncRunner::finished, this,
                    [guard, once, skip](const sync::SyncOutcome& outcome) {
                        if ((*skip)-- > 0) return;
                        disconnect(*once);
                        if (!guard) return;
                        guard->write(outcome.ok ? QByteArray("ok\n")
                                                : "error " + outcome.message.toUtf8() + '\n');
                        guard->disconnectFromServer();
                    });
    runner_.syncNow();
}

} // namespace kuvano::app
