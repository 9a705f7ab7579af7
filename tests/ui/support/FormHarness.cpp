#include "support/FormHarness.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QTimer>

namespace brevane::test {

GeneratorKey TestKey(std::uint8_t salt) {
    GeneratorKey key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<std::uint8_t>(i * 7 + 3 + salt);
    }
    return key;
}

void KeyTheGenerator(std::uint8_t salt) {
    TheShuffleGenerator().SetKey(TestKey(salt));
}

std::vector<ShuffleRecord> ReferenceShuffles(std::size_t count, std::uint8_t salt) {
    ShuffleGenerator generator;
    generator.SetKey(TestKey(salt));
    Deck deck = InitialDeck();
    std::vector<ShuffleRecord> rows;
    for (std::size_t i = 0; i < count; ++i) {
        generator.ShuffleDeck(deck);
        rows.push_back(deck);
    }
    return rows;
}

void WhenShown(QWidget& window, std::function<void()> action) {
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [poll, &window, action] {
        if (!window.isVisible()) return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(5);
}

QProgressDialog* OpenProgressDialog() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

int WholeRowsShown(const QComboBox* box) {
    const QAbstractItemView* view = box->view();
    const QRect visible = view->viewport()->rect();
    int shown = 0;
    for (int i = 0; i < box->count(); ++i) {
        const QRect item = view->visualRect(view->model()->index(i, box->modelColumn()));
        if (item.top() >= visible.top() && item.bottom() <= visible.bottom()) ++shown;
    }
    return shown;
}

FormHarness::FormHarness() : form_(std::make_unique<TForm1>()) {
    form_->ShowMessage = [this](QMessageBox::Icon icon, const QString& text) {
        messages.push_back({icon, text});
    };
    form_->RunSaveDialog = [this](QFileDialog&) {
        ++saveDialogRuns;
        return savePath;
    };
    form_->RunOpenDialog = [this](QFileDialog&) {
        ++openDialogRuns;
        return openPath;
    };
    form_->ShowReport = [this](const Report& report) { reports.push_back(report); };
    form_->ShowFairnessReport = [this](const Report& report) { reports.push_back(report); };
}

void FormHarness::Deal(const QString& text) {
    Child<QLineEdit>("HandCount")->setText(text);
    Click("DealBtn");
}

void FormHarness::Choose(const char* boxName, int index) {
    QComboBox* box = Box(boxName);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void FormHarness::Click(const char* buttonName) {
    Child<QPushButton>(buttonName)->click();
}

}  // namespace brevane::test
