#include "app/import_offer.h"

#include "access/access_db.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "store/access_import.h"
#include "store/untdb.h"

namespace kuvano::app {

namespace {

QString caption() {
    return QStringLiteral("导入旧笔记");
}

void reportFailure(QWidget* parent, const notes::ImportError& e) {
    showMessage(
        parent,
        QStringLiteral("笔记没有导入：\n%1\n\n原来的文件和现在的笔记都没有改动。").arg(e.message()),
        caption());
}

} // namespace

bool offerAccessImport(const ProgramFolder& folder, QWidget* parent) {
    if (!access::isAccessFile(folder.filePath(notes::TDM::relativePath()))) return false;
    const QString question =
        QStringLiteral("%1 是 Access 格式的笔记库（旧的笔记程序保存笔记的文件），"
                       "本程序不能直接打开它。\n\n"
                       "导入后，其中的笔记都转到新的笔记库里；原文件改名为 "
                       "DB3/CalendarD-access.mdb 保留，不会被改动或删除。\n\n"
                       "现在导入吗？")
            .arg(notes::TDM::relativePath());
    const int answer = askQuestion(parent, question, caption(),
                                   {QStringLiteral("导入"), QStringLiteral("取消")}, 0);
    if (answer != 0) return false;
    try {
        const notes::ImportReport report = notes::importAccessAtStartup(folder);
        showMessage(parent, report.text(), caption());
        return true;
    } catch (const notes::ImportError& e) {
        reportFailure(parent, e);
        return false;
    }
}

bool importOldNotes(QWidget* parent, const ProgramFolder& folder, notes::TDM& dm) {
    dialogs::FileRequest request;
    request.kind = dialogs::FileRequest::Open;
    request.caption = caption();
    request.fileName = folder.filePath(QStringLiteral("DB3"));
    request.filter = QStringLiteral("Access 笔记库 (*.mdb);;所有文件 (*)");
    const QString path = dialogs::askFileName(parent, request);
    if (path.isEmpty()) return false;
    try {
        const notes::ImportReport report = notes::importAccessIntoRunning(folder, dm, path);
        showMessage(parent, report.text(), caption());
        return report.deskMonths + report.dayNotes + report.generalMonths + report.calendarNotes +
                   report.years + report.memoLines >
               0;
    } catch (const notes::ImportError& e) {
        reportFailure(parent, e);
        return false;
    }
}

} // namespace kuvano::app
