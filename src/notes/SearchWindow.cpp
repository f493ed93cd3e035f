#include "notes/SearchWindow.h"

#include "store/untdb.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kuvano::notes {

namespace {

enum Column { kPageColumn, kDateColumn, kTextColumn };
constexpr int kHitStartRole = Qt::UserRole + 1;
constexpr int kHitLengthRole = Qt::UserRole + 2;

// The snippet column: the words found drawn bold on a light yellow mark.
class SnippetDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* w = opt.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);

        const int start = std::clamp(index.data(kHitStartRole).toInt(), 0, int(text.size()));
        const int length =
            std::clamp(index.data(kHitLengthRole).toInt(), 0, int(text.size()) - start);
        const QRect r =
            style->subElementRect(QStyle::SE_ItemViewItemText, &opt, w).adjusted(3, 0, -3, 0);
        const bool selected = opt.state & QStyle::State_Selected;
        const QColor ink = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);

        painter->save();
        painter->setClipRect(r);
        QFont bold = opt.font;
        bold.setBold(true);
        int x = r.left();
        const struct {
            QString piece;
            bool hit;
        } pieces[] = {{text.left(start), false},
                      {text.mid(start, length), true},
                      {text.mid(start + length), false}};
        for (const auto& [piece, hit] : pieces) {
            if (piece.isEmpty()) continue;
            const QFont& f = hit ? bold : opt.font;
            const int width = QFontMetrics(f).horizontalAdvance(piece);
            const QRect box(x, r.top(), width, r.height());
            if (hit) painter->fillRect(box.adjusted(0, 2, 0, -2), QColor(255, 228, 110));
            painter->setFont(f);
            painter->setPen(hit ? QColor(180, 0, 0) : ink);
            painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, piece);
            x += width;
        }
        painter->restore();
    }
};

} // namespace

SearchWindow::SearchWindow(TDM& dm, SearchNavigator& navigator, QWidget* parent)
    : QDialog(parent), dm_(dm), navigator_(navigator) {
    setObjectName(QStringLiteral("SearchFrm"));
    setWindowTitle(caption());
    resize(640, 440);

    edtSearch = new QLineEdit(this);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    edtSearch->setPlaceholderText(QStringLiteral("输入要查找的文字"));
    edtSearch->setClearButtonEnabled(true);
    edtSearch->installEventFilter(this);

    pbIndex = new QProgressBar(this);
    pbIndex->setObjectName(QStringLiteral("pbIndex"));
    pbIndex->setTextVisible(true);
    pbIndex->hide();

    lvResults = new QTreeWidget(this);
    lvResults->setObjectName(QStringLiteral("lvResults"));
    lvResults->setColumnCount(3);
    lvResults->setHeaderLabels(
        {QStringLiteral("页面"), QStringLiteral("日期"), QStringLiteral("内容")});
    lvResults->setRootIsDecorated(false);
    lvResults->setUniformRowHeights(true);
    lvResults->setAllColumnsShowFocus(true);
    lvResults->setItemDelegateForColumn(kTextColumn, new SnippetDelegate(lvResults));
    lvResults->header()->setStretchLastSection(true);
    lvResults->setColumnWidth(kPageColumn, 76);
    lvResults->setColumnWidth(kDateColumn, 96);
    lvResults->installEventFilter(this);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setStyleSheet(QStringLiteral("color: grey;"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edtSearch);
    layout->addWidget(pbIndex);
    layout->addWidget(lvResults, 1);
    layout->addWidget(lblStatus);

    typingTimer_ = new QTimer(this);
    typingTimer_->setSingleShot(true);
    typingTimer_->setInterval(kTypingPauseMs);
    connect(typingTimer_, &QTimer::timeout, this, &SearchWindow::Search);
    connect(edtSearch, &QLineEdit::textChanged, typingTimer_, qOverload<>(&QTimer::start));
    connect(edtSearch, &QLineEdit::returnPressed, this, [this] {
        // Enter before the pause: the list is for older text, search now.
        if (typingTimer_->isActive() || edtSearch->text() != searched_) Search();
        OpenHit(std::max(0, lvResults->indexOfTopLevelItem(lvResults->currentItem())));
    });
    connect(lvResults, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OpenHit(lvResults->indexOfTopLevelItem(item)); });

    buildTimer_ = new QTimer(this);
    buildTimer_->setInterval(200);
    connect(buildTimer_, &QTimer::timeout, this, &SearchWindow::showBuildState);
    showBuildState();
}

void SearchWindow::Popup() {
    if (SearchIndex* index = dm_.searchIndex()) {
        const auto state = index->buildStatus().state;
        if (state == SearchIndexBuilder::State::Idle || state == SearchIndexBuilder::State::Failed)
            dm_.StartSearchBuild();
    }
    show();
    raise();
    activateWindow();
    edtSearch->setFocus();
    edtSearch->selectAll();
    // The notes may have changed since the list was made.
    if (!edtSearch->text().trimmed().isEmpty()) Search();
    showBuildState();
}

void SearchWindow::showBuildState() {
    SearchIndex* index = dm_.searchIndex();
    const SearchIndexBuilder::Status s =
        index ? index->buildStatus() : SearchIndexBuilder::Status();
    const bool wasBuilding = building_;
    building_ = s.busy();
    pbIndex->setVisible(building_);
    if (building_) {
        if (s.state == SearchIndexBuilder::State::Building && s.total > 0) {
            pbIndex->setRange(0, s.total);
            pbIndex->setValue(s.done);
            pbIndex->setFormat(QStringLiteral("正在建立索引… %p%"));
        } else {
            pbIndex->setRange(0, 0); // not yet known how much there is to do
            pbIndex->setFormat(QStringLiteral("正在建立索引…"));
        }
        if (!buildTimer_->isActive()) buildTimer_->start();
    } else {
        buildTimer_->stop();
        // The list made while building may miss notes: make it again.
        if (wasBuilding && !edtSearch->text().trimmed().isEmpty()) Search();
    }
}

void SearchWindow::Search() {
    typingTimer_->stop();
    searched_ = edtSearch->text();
    SearchIndex* index = dm_.searchIndex();
    if (!index || !index->available()) {
        listHits({});
        lblStatus->setText(QStringLiteral("无法搜索：") +
                           (index ? index->error() : dm_.creationError()));
        return;
    }
    try {
        listHits(index->find(edtSearch->text(), kListLimit));
    } catch (const FileError& e) {
        listHits({});
        lblStatus->setText(QStringLiteral("搜索出错：") + e.message());
    }
    showBuildState();
}

void SearchWindow::listHits(const SearchResult& result) {
    hits_ = result.hits;
    lvResults->clear();
    QList<QTreeWidgetItem*> items;
    for (const SearchHit& h : hits_) {
        auto* item = new QTreeWidgetItem({PageCaption(h.page), h.dateText(), h.snippet});
        item->setData(kTextColumn, kHitStartRole, h.snippetStart);
        item->setData(kTextColumn, kHitLengthRole, h.snippetLength);
        item->setToolTip(kTextColumn, h.text.left(400));
        items.append(item);
    }
    lvResults->addTopLevelItems(items);
    if (!items.isEmpty()) lvResults->setCurrentItem(items.first());
    if (edtSearch->text().trimmed().isEmpty())
        lblStatus->clear();
    else if (hits_.empty())
        lblStatus->setText(QStringLiteral("没有找到"));
    else if (result.more)
        lblStatus->setText(QStringLiteral("找到的太多，只列出最近的 %1 条").arg(hits_.size()));
    else
        lblStatus->setText(QStringLiteral("找到 %1 条").arg(hits_.size()));
}

void SearchWindow::OpenHit(int row) {
    if (row < 0 || row >= int(hits_.size())) return;
    const SearchHit& h = hits_[size_t(row)];
    const NoteLocation where = h.location();
    navigator_.ShowPageAt(where.page, where.date);
    if (!navigator_.FocusBox(where.page, where.box)) return;
    navigator_.SelectRange(h.start, h.length);
    // Out of the way of the words found; Ctrl+F brings the list back as it was.
    hide();
}

bool SearchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == edtSearch &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down ||
             key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
            // The list moves while the typing stays in the field.
            QApplication::sendEvent(lvResults, event);
            return true;
        }
        if (watched == lvResults && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            OpenHit(lvResults->indexOfTopLevelItem(lvResults->currentItem()));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kuvano::notes
