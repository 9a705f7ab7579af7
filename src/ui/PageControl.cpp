#include "ui/PageControl.h"

#include <QResizeEvent>

namespace brevane {

SpreadTabBar::SpreadTabBar(QWidget* parent) : QTabBar(parent) {
    setExpanding(false);
    setElideMode(Qt::ElideRight);
    setUsesScrollButtons(false);
}

void SpreadTabBar::SetTabWidth(int width) {
    if (width == tabWidth_) return;
    tabWidth_ = width;
    // Re-setting a text is what makes QTabBar lay its tabs out again from tabSizeHint.
    for (int i = 0; i < count(); ++i) setTabText(i, tabText(i));
    updateGeometry();
}

QSize SpreadTabBar::tabSizeHint(int index) const {
    return QSize(tabWidth_, QTabBar::tabSizeHint(index).height());
}

QSize SpreadTabBar::minimumTabSizeHint(int index) const {
    return tabSizeHint(index);
}

PageControl::PageControl(QWidget* parent) : QTabWidget(parent), bar_(new SpreadTabBar(this)) {
    setTabBar(bar_);
}

void PageControl::resizeEvent(QResizeEvent* event) {
    QTabWidget::resizeEvent(event);
    if (OnResize) OnResize();
}

}  // namespace brevane
