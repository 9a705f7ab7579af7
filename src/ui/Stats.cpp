#include "ui/Stats.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextOption>
#include <QVBoxLayout>

#include "ui/WindowSystem.h"

namespace brevane {

namespace {

constexpr int ClientWidth = 362;
constexpr int ClientHeight = 413;

bool IsNavigationKey(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}

// Ctrl with a letter key and without Alt: the control character of that letter.
bool IsControlLetter(const QKeyEvent* event, int letterKey) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    return event->key() == letterKey && (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier);
}

bool IsSelectAll(const QKeyEvent* event) {
    return event->matches(QKeySequence::SelectAll) || IsControlLetter(event, Qt::Key_A);
}

// Keys that the text area would take as typed characters, including the control characters
// of Enter, Backspace, Escape and Tab.
bool TypesCharacter(const QKeyEvent* event) {
    if (IsNavigationKey(event->key())) return false;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Backspace:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return true;
        default:
            return !event->text().isEmpty();
    }
}

}  // namespace

TStatsForm::TStatsForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("StatsForm"));
    setWindowTitle(QStringLiteral("Stats"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setSizeGripEnabled(false);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    QFont memoFont(QStringLiteral("Courier New"), 8);
    memoFont.setStyleHint(QFont::TypeWriter);
    Memo1->setFont(memoFont);
    Memo1->setReadOnly(true);
    // Read-only, yet with a visible caret that the arrow and page keys move.
    Memo1->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Memo1);

    resize(ClientWidth, ClientHeight);
    Memo1->setFocus();
}

QString TStatsForm::JoinReport(const Report& report) {
    QString text;
    for (const std::string& line : report) {
        text += QString::fromStdString(line);
        text += QStringLiteral("\r\n");
    }
    return text;
}

void TStatsForm::SetReportText(const Report& report) {
    QString text = JoinReport(report);
    if (text == reportText_) return;
    reportText_ = std::move(text);
    Memo1->setPlainText(reportText_);
    Memo1->moveCursor(QTextCursor::Start);
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->minimum());
}

void TStatsForm::PlaceForShowing() {
    if (placed_) {
        // The toolkit's own idea of a reshown window's place can be off by the frame (see
        // WindowSystem.h), so the place noted at the last close is asked for explicitly.
        setGeometry(QRect(leftAt_, size()));
        return;
    }
    placed_ = true;

    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;

    // The dialog has no frame before it is first shown; its frame is taken to be as thick as
    // the owner's, so that the whole window, not only the client area, is centred.
    QRect over = screen->availableGeometry();
    QMargins frame;
    if (owner) {
        over = owner->frameGeometry();
        const QRect client = owner->geometry();
        frame = QMargins(client.left() - over.left(), client.top() - over.top(),
                         over.right() - client.right(), over.bottom() - client.bottom());
    }
    const QSize frameSize = size().grownBy(frame);
    const QPoint centre = over.center();
    QPoint topLeft(centre.x() - frameSize.width() / 2, centre.y() - frameSize.height() / 2);

    const QPoint desktopTopLeft = screen->availableVirtualGeometry().topLeft();
    topLeft.setX(std::max(topLeft.x(), desktopTopLeft.x()));
    topLeft.setY(std::max(topLeft.y(), desktopTopLeft.y()));
    setGeometry(QRect(topLeft + QPoint(frame.left(), frame.top()), size()));
}

void TStatsForm::RememberPlacement() {
    if (!isVisible()) return;
    leftAt_ = ClientAreaOnScreen(*this).value_or(geometry().topLeft());
}

void TStatsForm::done(int result) {
    RememberPlacement();
    QDialog::done(result);
}

void TStatsForm::AddSaveReportButton(const std::function<void()>& onClick) {
    if (SaveReportBtn) return;
    SaveReportBtn = new QPushButton(QStringLiteral("Save Report..."), this);
    SaveReportBtn->setObjectName(QStringLiteral("SaveReportBtn"));
    SaveReportBtn->setAutoDefault(false);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 6, 6, 6);
    bar->addStretch(1);
    bar->addWidget(SaveReportBtn);
    static_cast<QVBoxLayout*>(layout())->addLayout(bar);
    connect(SaveReportBtn, &QPushButton::clicked, this, onClick);
}

int TStatsForm::WidthForLines(const Report& report) const {
    const QFontMetrics metrics(Memo1->font());
    int widest = 0;
    for (const std::string& line : report) {
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(line)));
    }
    // Around the text: the area's frame, the document's margin on both sides, the vertical
    // scroll bar, and a character's width for the caret and rounding.
    const int margin = static_cast<int>(std::ceil(Memo1->document()->documentMargin()));
    return widest + 2 * Memo1->frameWidth() + 2 * margin +
           Memo1->verticalScrollBar()->sizeHint().width() + metrics.horizontalAdvance(u'M');
}

void TStatsForm::ShowReport(const Report& report) {
    SetReportText(report);
    if (fitToLongestLine_ && !placed_) {
        int width = std::max(ClientWidth, WidthForLines(report));
        if (const QScreen* screen = this->screen()) {
            width = std::min(width, screen->availableGeometry().width());
        }
        resize(width, height());
    }
    PlaceForShowing();
    Memo1->setFocus();
    exec();
}

bool TStatsForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1 && event->type() == QEvent::KeyPress) {
        return Memo1KeyPress(static_cast<QKeyEvent*>(event));
    }
    return QDialog::eventFilter(watched, event);
}

bool TStatsForm::Memo1KeyPress(QKeyEvent* event) {
    if (IsSelectAll(event)) {
        Memo1->selectAll();
        return true;
    }
    // Copying changes no text, and any read-only text offers it.
    if (IsControlLetter(event, Qt::Key_C)) {
        Memo1->copy();
        return true;
    }
    if (TypesCharacter(event)) {
        event->accept();
        return true;
    }
    return false;
}

void TStatsForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace brevane
