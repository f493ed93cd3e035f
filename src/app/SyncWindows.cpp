#include "app/SyncWindows.h"

#include "platform/dialogs.h"
#include "platform/guarded.h"
#include "platform/keyring.h"
#include "platform/message_box.h"
#include "store/search_schema.h"
#include "store/untdb.h"
#include "sync/caldav_client.h"
#include "sync/ics_file.h"
#include "sync/note_access.h"
#include "sync/sync_session.h"
#include "sync/sync_state.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kuvano::app {

namespace {

const QString kSettingsTitle = QStringLiteral("同步设置");
const QString kConflictsTitle = QStringLiteral("同步冲突");

IcsExportPrompt& exportPrompt() {
    static IcsExportPrompt prompt;
    return prompt;
}

QString firstLine(const QString& text) {
    const QString line = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    return line.size() > 60 ? line.left(60) + QStringLiteral("…") : line;
}

} // namespace

// ---- settings

SyncSettingsWindow::SyncSettingsWindow(ProgramFolder folder, QWidget* parent)
    : QDialog(parent), folder_(std::move(folder)) {
    setObjectName(QStringLiteral("SyncSettingsFrm"));
    setWindowTitle(kSettingsTitle);
    setModal(true);
    auto* hint = new QLabel(QStringLiteral("把笔记同步到自己的 CalDAV 日历服务器（如 Nextcloud、"
                                           "Radicale），在多台电脑上使用同一本笔记。"),
                            this);
    hint->setWordWrap(true);
    edtUrl = new QLineEdit(this);
    edtUrl->setObjectName(QStringLiteral("edtUrl"));
    edtUrl->setPlaceholderText(QStringLiteral("https://cloud.example.com/"));
    edtUser = new QLineEdit(this);
    edtUser->setObjectName(QStringLiteral("edtUser"));
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName(QStringLiteral("edtPassword"));
    edtPassword->setEchoMode(QLineEdit::Password);
    cbCalendar = new QComboBox(this);
    cbCalendar->setObjectName(QStringLiteral("cbCalendar"));
    btnFind = new QPushButton(QStringLiteral("查找日历"), this);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    auto* calendarRow = new QHBoxLayout;
    calendarRow->addWidget(cbCalendar, 1);
    calendarRow->addWidget(btnFind);
    lblResult = new QLabel(this);
    lblResult->setObjectName(QStringLiteral("lblResult"));
    lblResult->setWordWrap(true);
    btnTest = new QPushButton(QStringLiteral("测试连接"), this);
    btnTest->setObjectName(QStringLiteral("btnTest"));
    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    auto* btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("服务器地址："), edtUrl);
    form->addRow(QStringLiteral("用户名："), edtUser);
    form->addRow(QStringLiteral("密码："), edtPassword);
    form->addRow(QStringLiteral("日历："), calendarRow);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnTest);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(form);
    layout->addWidget(lblResult);
    layout->addLayout(buttons);
    resize(520, sizeHint().height());

    const auto run = [this](void (SyncSettingsWindow::*f)()) {
        return [this, f] { guarded(this, [&] { (this->*f)(); }); };
    };
    connect(btnFind, &QPushButton::clicked, this, run(&SyncSettingsWindow::findCalendars));
    connect(btnTest, &QPushButton::clicked, this, run(&SyncSettingsWindow::testConnection));
    connect(btnOk, &QPushButton::clicked, this, run(&SyncSettingsWindow::btnOkClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

SyncSettingsWindow::~SyncSettingsWindow() {
    if (worker_) worker_->wait(); // each request ends within its timeout
}

void SyncSettingsWindow::load() {
    const sync::SyncSettings s = sync::ReadSyncSettings(folder_);
    edtUrl->setText(s.url.toDisplayString());
    edtUser->setText(s.user);
    edtPassword->clear();
    insecureAllowed_ = s.allowInsecureHttp;
    cbCalendar->clear();
    cbCalendar->addItem(QStringLiteral("自动（查找或新建“%1”）").arg(sync::DefaultCalendarName()),
                        QString());
    if (!s.calendar.isEmpty()) {
        // Its name is the server's; "查找日历" lists the names.
        cbCalendar->addItem(QStringLiteral("当前日历（%1）").arg(s.calendar.path()),
                            s.calendar.toString());
        cbCalendar->setCurrentIndex(1);
    }
    keptPassword_.clear();
    if (s.configured()) {
        const keyring::Answer a = keyring::readPassword(s.keyringKey());
        if (a.password) keptPassword_ = *a.password;
        edtPassword->setPlaceholderText(a.password ? QStringLiteral("（已保存在密钥环中）")
                                                   : QString());
    }
    lblResult->clear();
}

sync::SyncSettings SyncSettingsWindow::typed() const {
    sync::SyncSettings s;
    QString url = edtUrl->text().trimmed();
    if (!url.isEmpty() && !url.contains(QStringLiteral("://")))
        url.prepend(QStringLiteral("https://"));
    s.url = QUrl(url, QUrl::TolerantMode);
    s.user = edtUser->text().trimmed();
    s.calendar = QUrl(cbCalendar->currentData().toString());
    s.allowInsecureHttp = insecureAllowed_;
    return s;
}

QString SyncSettingsWindow::typedPassword() const {
    return edtPassword->text().isEmpty() ? keptPassword_ : edtPassword->text();
}

bool SyncSettingsWindow::confirmAddress(sync::SyncSettings& s) {
    if (!s.url.isValid() || s.url.host().isEmpty()) {
        lblResult->setText(QStringLiteral("请填写服务器地址，例如 https://cloud.example.com/"));
        return false;
    }
    if (sync::SafeAddress(s.url) || s.allowInsecureHttp) return true;
    if (s.url.scheme() != QLatin1String("http")) {
        lblResult->setText(QStringLiteral("服务器地址应以 https:// 开头"));
        return false;
    }
    const int answer =
        askQuestion(this,
                    QStringLiteral("地址 %1 不加密（http），密码和笔记会以明文在网络上传送，"
                                   "别人可能看到。仍然使用这个地址吗？")
                        .arg(s.url.toDisplayString()),
                    kSettingsTitle, {QStringLiteral("仍然使用"), QStringLiteral("取消")}, 1);
    if (answer != 0) return false;
    insecureAllowed_ = s.allowInsecureHttp = true;
    return true;
}

void SyncSettingsWindow::runInBackground(std::function<QString()> work,
                                         std::function<void(const QString&)> done) {
    if (worker_) return;
    for (QWidget* w : {static_cast<QWidget*>(btnFind), static_cast<QWidget*>(btnTest),
                       static_cast<QWidget*>(btnOk)})
        w->setEnabled(false);
    lblResult->setText(QStringLiteral("正在连接服务器…"));
    auto result = std::make_shared<QString>();
    worker_ = QThread::create([work = std::move(work), result] { *result = work(); });
    connect(worker_, &QThread::finished, this, [this, done = std::move(done), result] {
        worker_->deleteLater();
        worker_ = nullptr;
        for (QWidget* w : {static_cast<QWidget*>(btnFind), static_cast<QWidget*>(btnTest),
                           static_cast<QWidget*>(btnOk)})
            w->setEnabled(true);
        guarded(this, [&] { done(*result); });
    });
    worker_->start();
}

void SyncSettingsWindow::testConnection() {
    sync::SyncSettings s = typed();
    if (!confirmAddress(s)) return;
    const QString password = typedPassword();
    runInBackground(
        [s, password] {
            sync::CalDavClient client({s.url, s.user, password, s.allowInsecureHttp});
            return client.testConnection(s.calendar);
        },
        [this](const QString& why) {
            lblResult->setText(why.isEmpty() ? QStringLiteral("连接成功。") : why);
        });
}

void SyncSettingsWindow::findCalendars() {
    sync::SyncSettings s = typed();
    if (!confirmAddress(s)) return;
    const QString password = typedPassword();
    auto found = std::make_shared<std::vector<sync::CalendarInfo>>();
    runInBackground(
        [s, password, found]() -> QString {
            try {
                sync::CalDavClient client({s.url, s.user, password, s.allowInsecureHttp});
                *found = client.calendars();
                return {};
            } catch (const FileError& e) {
                return e.message();
            }
        },
        [this, found](const QString& why) {
            if (!why.isEmpty()) {
                lblResult->setText(why);
                return;
            }
            const QString current = cbCalendar->currentData().toString();
            while (cbCalendar->count() > 1) cbCalendar->removeItem(1);
            int usable = 0;
            for (const sync::CalendarInfo& c : *found) {
                if (!c.takesJournals) continue;
                const QString name = c.displayName.isEmpty() ? c.href.path() : c.displayName;
                cbCalendar->addItem(name, c.href.toString());
                ++usable;
            }
            const int at = cbCalendar->findData(current);
            cbCalendar->setCurrentIndex(at >= 0 ? at : 0);
            lblResult->setText(
                usable ? QStringLiteral("找到 %1 个可以存放记事的日历。").arg(usable)
                       : QStringLiteral("没有可以存放记事的日历；选“自动”会新建一个。"));
        });
}

void SyncSettingsWindow::btnOkClick() {
    sync::SyncSettings s = typed();
    // An emptied address turns the sync off.
    if (edtUrl->text().trimmed().isEmpty()) {
        sync::WriteSyncSettings(folder_, {});
        if (onSaved) onSaved({}, {});
        accept();
        return;
    }
    if (!confirmAddress(s)) return;
    const QString password = typedPassword();
    if (password.isEmpty()) {
        lblResult->setText(QStringLiteral("请填写密码。"));
        return;
    }
    sync::WriteSyncSettings(folder_, s);
    QString why;
    if (password != keptPassword_ && !keyring::writePassword(s.keyringKey(), password, &why))
        showMessage(this, why, kSettingsTitle);
    if (onSaved) onSaved(s, password);
    accept();
}

// ---- conflicts

SyncConflictsWindow::SyncConflictsWindow(ProgramFolder folder, notes::TDM& dm, QWidget* parent)
    : QDialog(parent), folder_(std::move(folder)), dm_(dm) {
    setObjectName(QStringLiteral("SyncConflictsFrm"));
    setWindowTitle(kConflictsTitle);
    resize(640, 360);
    auto* hint = new QLabel(QStringLiteral("同一条笔记在两处都改过时，较晚的修改留在笔记里，"
                                           "另一份保存在这里。可以把它放回笔记（笔记中现在的"
                                           "内容会留在这里），或者丢弃。"),
                            this);
    hint->setWordWrap(true);
    lvConflicts = new QTreeWidget(this);
    lvConflicts->setObjectName(QStringLiteral("lvConflicts"));
    lvConflicts->setHeaderLabels({QStringLiteral("页面"), QStringLiteral("日期"),
                                  QStringLiteral("来自"), QStringLiteral("保存时间"),
                                  QStringLiteral("内容")});
    lvConflicts->setRootIsDecorated(false);
    lvConflicts->header()->setStretchLastSection(true);
    btnPutBack = new QPushButton(QStringLiteral("放回笔记"), this);
    btnPutBack->setObjectName(QStringLiteral("btnPutBack"));
    btnDrop = new QPushButton(QStringLiteral("丢弃"), this);
    btnDrop->setObjectName(QStringLiteral("btnDrop"));
    auto* btnClose = new QPushButton(QStringLiteral("关闭"), this);
    connect(btnPutBack, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { btnPutBackClick(); }); });
    connect(btnDrop, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { btnDropClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::hide);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnPutBack);
    buttons->addWidget(btnDrop);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(lvConflicts);
    layout->addLayout(buttons);
}

void SyncConflictsWindow::reload() {
    lvConflicts->clear();
    sync::SyncState state(folder_.filePath(sync::SyncState::relativePath()));
    for (const sync::SyncState::Conflict& c : state.conflicts()) {
        const QString date = notes::NoteDateText(c.note.page, c.note.key, c.note.box);
        auto* item = new QTreeWidgetItem(
            lvConflicts, {notes::PageCaption(c.note.page), date, c.origin,
                          c.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                          firstLine(c.content.text)});
        item->setData(0, Qt::UserRole, c.id);
        item->setToolTip(4, c.content.text);
    }
    for (int i = 0; i < 4; ++i) lvConflicts->resizeColumnToContents(i);
    if (lvConflicts->topLevelItemCount() > 0)
        lvConflicts->setCurrentItem(lvConflicts->topLevelItem(0));
    btnPutBack->setEnabled(lvConflicts->topLevelItemCount() > 0);
    btnDrop->setEnabled(lvConflicts->topLevelItemCount() > 0);
}

qint64 SyncConflictsWindow::selectedId() const {
    const QTreeWidgetItem* item = lvConflicts->currentItem();
    return item ? item->data(0, Qt::UserRole).toLongLong() : 0;
}

void SyncConflictsWindow::btnPutBackClick() {
    const qint64 id = selectedId();
    if (!id) return;
    sync::SyncState state(folder_.filePath(sync::SyncState::relativePath()));
    const std::optional<sync::SyncState::Conflict> c = state.conflict(id);
    if (!c) return;
    notes::NoteStore& store = dm_.notes();
    const sync::NoteContent now = sync::LoadNote(store, c->note);
    // Nothing is overwritten unseen: the note's text takes the kept one's place.
    if (!now.empty() && !(now == c->content)) {
        sync::SyncState::Conflict swapped = *c;
        swapped.content = now;
        swapped.time = QDateTime::currentDateTimeUtc();
        swapped.origin = QStringLiteral("本机");
        state.addConflict(swapped);
    }
    sync::SaveNote(store, c->note, c->content);
    state.dropConflict(id);
    reload();
    if (onNotesChanged) onNotesChanged();
}

void SyncConflictsWindow::btnDropClick() {
    const qint64 id = selectedId();
    if (!id) return;
    sync::SyncState state(folder_.filePath(sync::SyncState::relativePath()));
    state.dropConflict(id);
    reload();
}

// ---- iCalendar files

void setIcsExportPrompt(IcsExportPrompt prompt) {
    exportPrompt() = std::move(prompt);
}

namespace {

std::optional<IcsExportChoice> askExportChoice(QWidget* parent) {
    if (exportPrompt()) return exportPrompt()();
    QDialog d(parent);
    d.setObjectName(QStringLiteral("IcsExportFrm"));
    d.setWindowTitle(QStringLiteral("导出 iCalendar"));
    auto* all = new QRadioButton(QStringLiteral("全部笔记"), &d);
    auto* oneYear = new QRadioButton(QStringLiteral("只导出这一年的笔记："), &d);
    auto* year = new QSpinBox(&d);
    year->setRange(1901, 2100);
    year->setValue(QDate::currentDate().year());
    all->setChecked(true);
    auto* daysOff = new QCheckBox(QStringLiteral("同时导出节假日和调休上班日"), &d);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    auto* yearRow = new QHBoxLayout;
    yearRow->addWidget(oneYear);
    yearRow->addWidget(year);
    yearRow->addStretch();
    auto* layout = new QVBoxLayout(&d);
    layout->addWidget(all);
    layout->addLayout(yearRow);
    layout->addWidget(daysOff);
    layout->addWidget(buttons);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    IcsExportChoice c;
    if (oneYear->isChecked()) c.year = year->value();
    c.daysOff = daysOff->isChecked();
    return c;
}

} // namespace

void ExportICalendarWithDialog(QWidget* parent, notes::TDM& dm) {
    const std::optional<IcsExportChoice> choice = askExportChoice(parent);
    if (!choice) return;
    const QString name = choice->year ? QStringLiteral("kuvano-%1.ics").arg(*choice->year)
                                      : QStringLiteral("kuvano.ics");
    const QString path =
        dialogs::askFileName(parent, {dialogs::FileRequest::Save, QStringLiteral("导出 iCalendar"),
                                      name, QStringLiteral("iCalendar 文件 (*.ics)")});
    if (path.isEmpty()) return;
    sync::IcsExportOptions options;
    options.year = choice->year;
    if (choice->daysOff) {
        const int from = choice->year.value_or(1901), to = choice->year.value_or(2100);
        options.daysOff = sync::CollectDaysOff(from, to);
    }
    const int written = sync::ExportICalendar(dm.notes(), path, options);
    showMessage(parent, QStringLiteral("已导出 %1 条笔记到 %2").arg(written).arg(path),
                QStringLiteral("导出 iCalendar"));
}

bool ImportICalendarWithDialog(QWidget* parent, const ProgramFolder& folder, notes::TDM& dm) {
    const QString path = dialogs::askFileName(
        parent, {dialogs::FileRequest::Open, QStringLiteral("导入 iCalendar"), QString(),
                 QStringLiteral("iCalendar 文件 (*.ics);;所有文件 (*)")});
    if (path.isEmpty()) return false;
    sync::SyncState state(folder.filePath(sync::SyncState::relativePath()));
    const sync::IcsImportReport report = sync::ImportICalendar(dm.notes(), state, path);
    QString text = sync::DescribeImport(report);
    if (report.conflicts > 0)
        text += QStringLiteral("\n有不同内容的笔记保留了较晚的一份，另一份可在“同步冲突…”中查看。");
    showMessage(parent, text, QStringLiteral("导入 iCalendar"));
    return report.added + report.updated + report.conflicts > 0;
}

} // namespace kuvano::app
