#include "ui/DropDownStyle.h"

#include <QApplication>
#include <QStyleFactory>

namespace brevane {

namespace {

// A proxy owns its base style, so it gets an instance of its own rather than the application's.
QStyle* CopyOfApplicationStyle() {
    const QStyle* current = QApplication::style();
    return current ? QStyleFactory::create(current->name()) : nullptr;
}

}  // namespace

DropDownStyle::DropDownStyle(QObject* owner) : QProxyStyle(CopyOfApplicationStyle()) {
    setParent(owner);
}

int DropDownStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* returnData) const {
    if (hint == SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace brevane
