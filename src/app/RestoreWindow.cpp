#include "app/RestoreWindow.h"

#include "platform/message_box.h"
#include "store/clock.h"
#include "store/untdb.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kuvano::app {

namespace {
const QString kTitle = QStringLiteral("恢复备份");

} // namespace

QString RestoreWindow::whenText(const QDateTime& taken) {
    return taken.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString RestoreWindow::countsText(const notes::NoteCounts& c) {
    return QStringLiteral("桌面月历 %1 个月，日安排 %2 天，月记事 %3 个月，年记事 %4 年")
        .arg(c.deskMonths)
        .arg(c.dayNotes)
        .arg(c.generalMonths)
        .arg(c.years);
}

RestoreWindow::RestoreWindow(const notes::SnapshotStore& store, QWidget* parent)
    : QDialog(parent), store_(store) {
    setObjectName(QStringLiteral("RestoreFrm"));
    setWindowTitle(kTitle);
    setModal(true);
    resize(560, 340);
    auto* hint = new QLabel(QStringLiteral("程序每天自动备份一次笔记数据库。选择一个备份恢复："
                                           "当前的笔记会先另存到备份文件夹，不会丢失。"),
                            this);
    hint->setWordWrap(true);
    lvSnapshots = new QTreeWidget(this);
    lvSnapshots->setObjectName(QStringLiteral("lvSnapshots"));
    lvSnapshots->setColumnCount(2);
    lvSnapshots->setHeaderLabels({QStringLiteral("备份时间"), QStringLiteral("包含的笔记")});
    lvSnapshots->setRootIsDecorated(false);
    lvSnapshots->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    lvSnapshots->header()->setStretchLastSection(true);
    btnRestore = new QPushButton(QStringLiteral("恢复"), this);
    btnRestore->setObjectName(QStringLiteral("btnRestore"));
    auto* btnClose = new QPushButton(QStringLiteral("关闭"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnRestore, &QPushButton::clicked, this, &RestoreWindow::btnRestoreClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(lvSnapshots, &QTreeWidget::itemDoubleClicked, this, &RestoreWindow::btnRestoreClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnRestore);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(lvSnapshots);
    layout->addLayout(buttons);
}

void RestoreWindow::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void RestoreWindow::FormShow() {
    lvSnapshots->clear();
    shown_.clear();
    QTreeWidgetItem* firstGood = nullptr;
    auto add = [&](const notes::SnapshotInfo& s, const QString& when) {
        QString counts;
        bool good = true;
        try {
            counts = countsText(notes::countNotes(s.path));
        } catch (const FileError& e) {
            // Listed so that the user sees it, but never restored.
            counts = QStringLiteral("已损坏，不能恢复：") + e.message();
            good = false;
        }
        auto* item = new QTreeWidgetItem(lvSnapshots, {when, counts});
        item->setToolTip(1, s.path);
        if (!good) item->setFlags(Qt::NoItemFlags);
        if (good && !firstGood) firstGood = item;
        shown_.push_back(s);
    };
    for (const notes::SnapshotInfo& s : store_.list()) add(s, whenText(s.taken));
    // The notes each restore replaced can be had back the same way.
    for (const notes::SnapshotInfo& s : store_.beforeRestoreCopies())
        add(s, whenText(s.taken) + QStringLiteral(" 恢复前"));
    if (shown_.empty()) new QTreeWidgetItem(lvSnapshots, {QStringLiteral("还没有备份"), QString()});
    if (firstGood) lvSnapshots->setCurrentItem(firstGood);
    btnRestore->setEnabled(firstGood != nullptr);
}

void RestoreWindow::btnRestoreClick() {
    const int row = lvSnapshots->indexOfTopLevelItem(lvSnapshots->currentItem());
    if (row < 0 || row >= int(shown_.size()) ||
        !(lvSnapshots->currentItem()->flags() & Qt::ItemIsEnabled))
        return;
    const notes::SnapshotInfo chosen = shown_[size_t(row)];
    const QString question =
        QStringLiteral("确定要恢复 %1 的备份吗？\n\n当前的笔记会先另存到 %2，不会丢失。")
            .arg(whenText(chosen.taken), store_.folderPath());
    if (askQuestion(this, question, kTitle, {QStringLiteral("恢复"), QStringLiteral("取消")}) != 0)
        return;
    if (onRestore && onRestore(chosen)) accept();
}

bool ReportDatabaseProblem(const ProgramFolder& folder, notes::TDM& dm, QWidget* parent) {
    if (dm.creationError().isEmpty()) return true;
    const notes::SnapshotStore store(folder);
    const QString path = store.databasePath();
    const QString problem =
        QStringLiteral("笔记数据库文件 %1 无法使用：\n%2").arg(path, dm.creationError());
    std::optional<notes::SnapshotInfo> good;
    notes::NoteCounts counts;
    if (notes::looksDamaged(path)) {
        for (const notes::SnapshotInfo& s : store.list()) {
            try {
                counts = notes::countNotes(s.path);
                good = s;
                break;
            } catch (const FileError&) {
            }
        }
    }
    if (!good) {
        showMessage(parent, problem, QString());
        return false;
    }
    const QString offer =
        problem + QStringLiteral("\n\n可以从 %1 的备份恢复（%2）。\n损坏的文件会保留在它旁边。")
                      .arg(RestoreWindow::whenText(good->taken), RestoreWindow::countsText(counts));
    if (askQuestion(parent, offer, kTitle,
                    {QStringLiteral("从备份恢复"), QStringLiteral("取消")}) != 0)
        return false;
    try {
        dm.Disconnect();
        const QString damaged = store.replaceDamaged(*good, clock::now());
        dm.Reopen();
        if (!dm.creationError().isEmpty()) {
            showMessage(parent, QStringLiteral("恢复后的数据库仍无法打开：\n") + dm.creationError(),
                        QString());
            return false;
        }
        showMessage(parent,
                    QStringLiteral("已从 %1 的备份恢复笔记。\n损坏的文件保留为 %2")
                        .arg(RestoreWindow::whenText(good->taken), damaged),
                    kTitle);
        return true;
    } catch (const FileError& e) {
        dm.Reopen();
        showMessage(parent, QStringLiteral("恢复失败：\n") + e.message(), kTitle);
        return false;
    }
}

bool RecoverInterruptedRestore(const ProgramFolder& folder, QWidget* parent) {
    const notes::SnapshotStore store(folder);
    const std::optional<notes::SnapshotInfo> kept = store.interruptedRestore();
    if (!kept) return true;
    const QString offer =
        QStringLiteral("找不到笔记数据库文件 %1：上次恢复备份没有完成。\n\n"
                       "可以放回恢复前的笔记（%2 另存的 %3）。")
            .arg(store.databasePath(), RestoreWindow::whenText(kept->taken), kept->path);
    if (askQuestion(parent, offer, kTitle,
                    {QStringLiteral("放回恢复前的笔记"), QStringLiteral("退出")}) != 0)
        return false;
    try {
        store.putBack(*kept);
    } catch (const FileError& e) {
        showMessage(parent, QStringLiteral("放回失败：\n") + e.message(), kTitle);
        return false;
    }
    return true;
}

} // namespace kuvano::app
