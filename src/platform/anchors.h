#pragma once
// Anchored placement of child widgets, as a form designer lays them out: each
// child has a place in the parent's design size and keeps its distance to the
// anchored edges when the parent changes size.

#include <QObject>
#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

namespace kuvano {

enum Anchor : unsigned { AnchorLeft = 1, AnchorTop = 2, AnchorRight = 4, AnchorBottom = 8 };
constexpr unsigned AnchorTopLeft = AnchorLeft | AnchorTop;
constexpr unsigned AnchorAll = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom;

class AnchorLayout : public QObject {
public:
    // designSize: the parent's client size the design places refer to.
    AnchorLayout(QWidget* parent, QSize designSize);

    void place(QWidget* child, QRect designRect, unsigned anchors = AnchorTopLeft);
    // The rectangle a design place takes in a parent of the given size.
    static QRect resolve(QRect designRect, unsigned anchors, QSize designSize, QSize actual);
    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QWidget* child;
        QRect design;
        unsigned anchors;
    };
    QWidget* parent_;
    QSize design_;
    std::vector<Entry> entries_;
};

} // namespace kuvano
