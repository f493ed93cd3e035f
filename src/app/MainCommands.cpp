#include "app/MainCommands.h"

#include "app/AboutWindow.h"
#include "app/Main.h"
#include "app/MainFrame.h"
#include "app/RestoreWindow.h"
#include "app/import_offer.h"
#include "calendarctl/JvTFMonths.h"
#include "export/notes_export.h"
#include "notes/DeskCalendarPage.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/MemoList.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"
#include "platform/background.h"
#include "platform/dialogs.h"
#include "platform/guarded.h"
#include "platform/message_box.h"
#include "store/clock.h"
#include "store/snapshot_scheduler.h"
#include "store/untdb.h"
#include "web/WebLink.h"
#include "web/uNavigateThr.h"

#include <QAction>
#include <QEvent>
#include <QMenu>

namespace kuvano::app {

MainCommands::MainCommands(TMainForm& form, const ProgramFolder& folder, notes::TDM& dm,
                           notes::SnapshotScheduler* snapshots)
    : QObject(&form), form_(form), folder_(folder), dm_(dm), snapshots_(snapshots) {
    setObjectName(QStringLiteral("MainCommands"));
    auto serve = [this](OptionsEntry e, void (MainCommands::*handler)()) {
        QAction* a = form_.frame().entry(e);
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, [this, handler] { run(handler); });
    };
    serve(OptionsEntry::NoteToTxt, &MainCommands::N_NoteToTxtClick);
    serve(OptionsEntry::Help, &MainCommands::N5Click);
    serve(OptionsEntry::Feedback, &MainCommands::N7Click);
    serve(OptionsEntry::About, &MainCommands::openAbout);

    // "恢复备份…" comes right after "内容导出".
    if (QAction* exportEntry = form_.frame().entry(OptionsEntry::NoteToTxt)) {
        QMenu* menu = qobject_cast<QMenu*>(exportEntry->parent());
        const QList<QAction*> actions = menu->actions();
        const qsizetype at = actions.indexOf(exportEntry);
        auto* restore = new QAction(QStringLiteral("恢复备份…"), menu);
        restore->setObjectName(QStringLiteral("N_Restore"));
        restore->setEnabled(snapshots_ != nullptr);
        menu->insertAction(at + 1 < actions.size() ? actions[at + 1] : nullptr, restore);
        connect(restore, &QAction::triggered, this, [this] { run(&MainCommands::openRestore); });
        // "导入旧笔记…" comes right after "内容导出", before the restore.
        auto* import = new QAction(QStringLiteral("导入旧笔记…"), menu);
        import->setObjectName(QStringLiteral("N_ImportAccess"));
        import->setEnabled(dm_.connected());
        menu->insertAction(restore, import);
        connect(import, &QAction::triggered, this, [this] { run(&MainCommands::importAccess); });
    }

    // The browser sits at (-13, -19), 2000 x 800: its frame, margins and
    // scroll bars lie outside the panel, and the separator picture and the
    // memo list cover all but its top 199 pixels.
    QWidget* panel = form_.webPanel();
    webLink_ = new web::WebLink(panel);
    webLink_->setGeometry(-13, -19, 2000, 800);
    webLink_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    webLink_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    webLink_->lower();
    form_.setWebBrowser(webLink_);
    form_.installEventFilter(this);
}

MainCommands::~MainCommands() = default;

void MainCommands::run(void (MainCommands::*command)()) {
    guarded(&form_, [&] { (this->*command)(); });
}

bool MainCommands::eventFilter(QObject* watched, QEvent* event) {
    // Started once, by the first showing of the main window, after its first
    // frame: the local page's layout and the network check are no part of it.
    if (watched == &form_ && event->type() == QEvent::Show && !loaderStarted_) {
        loaderStarted_ = true;
        afterFirstPaint(form_, [this] { run(&MainCommands::StartWebLoader); });
    }
    return QObject::eventFilter(watched, event);
}

void MainCommands::StartWebLoader() {
    try {
        web::NavigateThr(folder_, web::ReadSiteHost(folder_), webLink_->mailbox());
    } catch (const std::exception&) {
        // A loader that cannot start leaves the panel empty.
    }
}

void MainCommands::N_NoteToTxtClick() {
    ExportNotes();
}

void MainCommands::ExportNotes() {
    QStringList lines;
    const QDate shown = form_.shownDate();
    switch (form_.pageOnView()) {
    case Page::Desk: {
        std::array<exporting::DeskCell, exporting::kDeskCells> cells;
        const auto texts = form_.deskPage().CellTexts();
        for (size_t i = 0; i < cells.size(); ++i) cells[i] = {texts[i].date, texts[i].text};
        lines = exporting::DeskExportLines(shown, cells);
        break;
    }
    case Page::Yearly:
        lines = exporting::YearExportLines(shown.year(), form_.yearPage().MonthTexts());
        break;
    case Page::General:
        lines = exporting::GeneralExportLines(form_.generalPage().LineTexts());
        break;
    case Page::Calendar:
        return;
    }
    dialogs::FileRequest request;
    request.kind = dialogs::FileRequest::Save;
    request.caption = QStringLiteral("内容导出");
    request.fileName = lines.first();
    request.filter = QStringLiteral("*.Txt");
    const QString chosen = dialogs::askFileName(&form_, request);
    if (chosen.isEmpty()) return;
    const QString why = exporting::WriteExportFile(exporting::ExportFileName(chosen), lines);
    if (!why.isEmpty()) showMessage(&form_, QStringLiteral("导出失败\n") + why, QString());
}

void MainCommands::N5Click() {
    web::openInBrowser(web::HelpPage(folder_, web::ReadSiteHost(folder_)));
}

void MainCommands::N7Click() {
    web::openInBrowser(web::FeedbackPage(folder_, web::ReadSiteHost(folder_)));
}

void MainCommands::importAccess() {
    // The box being edited stores its last keystroke first, and no snapshot
    // is copying while the notes come in.
    form_.MoveFocusToFlush();
    if (snapshots_) snapshots_->waitIdle();
    if (!importOldNotes(&form_, folder_, dm_)) return;
    form_.ChnCalendar1Change(); // reload the page on view
    dm_.StartSearchBuild();     // and index the notes that came in
}

void MainCommands::openRestore() {
    if (!snapshots_) return;
    if (!restore_) {
        restore_ = new RestoreWindow(snapshots_->store(), &form_);
        restore_->onRestore = [this](const notes::SnapshotInfo& s) { return RestoreSnapshot(s); };
    }
    restore_->exec();
}

void MainCommands::openAbout() {
    if (!about_) about_ = new AboutWindow(folder_.root(), &form_);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

bool MainCommands::RestoreSnapshot(const notes::SnapshotInfo& snapshot) {
    // The box being edited stores its last keystroke before the file moves,
    // and no snapshot may be copying while it does.
    form_.MoveFocusToFlush();
    snapshots_->waitIdle();
    QString aside;
    try {
        aside = dm_.Restore(snapshots_->store(), snapshot, clock::now());
    } catch (const FileError& e) {
        // The notes are open as they were, or, when the restored file cannot
        // be opened, the message says so.
        showMessage(&form_, QStringLiteral("恢复失败\n") + e.message(), QStringLiteral("恢复备份"));
        return false;
    }
    form_.ChnCalendar1Change();      // the page on view reloads its notes
    form_.memoList().LoadMemoList(); // and the memo list, shown beside most pages
    showMessage(&form_,
                QStringLiteral("已恢复 %1 的备份。\n恢复前的笔记保存在 %2")
                    .arg(RestoreWindow::whenText(snapshot.taken), aside),
                QStringLiteral("恢复备份"));
    return true;
}

} // namespace kuvano::app
