// The main window's life: creation, handler wiring, the tab-width rule and destruction.
#include "ui/Main.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <algorithm>

#include "cards/Cards.h"
#include "ui/Application.h"
#include "ui/CardViewModel.h"
#include "ui/PageControl.h"

namespace brevane {

namespace {

QString DefaultRunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    RunSaveDialog = DefaultRunFileDialog;
    RunOpenDialog = DefaultRunFileDialog;
    ShowMessage = [this](QMessageBox::Icon icon, const QString& text) {
        QMessageBox box(icon, QString::fromUtf8(ApplicationTitle), text, QMessageBox::Ok, this);
        box.exec();
    };
    CreateControls();
    FormCreate();
    ConnectHandlers();
}

TForm1::~TForm1() {
    FormDestroy();
}

void TForm1::FormCreate() {
    for (int i = 1; i <= DeckSize; ++i) {
        deck_[i - 1] = i;
        DeckPosBox->addItem(QString::number(i));
        CardBox->addItem(QString::fromStdString(CardName(i)));
        if ((i - 1) % 4 == 0) RankBox->addItem(QString(QChar::fromLatin1(RankLetter[i])));
    }
    DeckPosBox->setCurrentIndex(0);
    CardBox->setCurrentIndex(0);
    RankBox->setCurrentIndex(0);
    PlayersBoxChange();
    shuffleList_ = std::make_unique<ShuffleList>();
    model_->SetList(shuffleList_.get());
    PageControl1Resize();
}

void TForm1::FormDestroy() {
    // The view is destroyed with the window; it must not read rows once the list is gone.
    model_->SetList(nullptr);
    shuffleList_.reset();
}

void TForm1::ConnectHandlers() {
    const auto onClick = [this](QPushButton* button, void (TForm1::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
    };
    onClick(DealBtn, &TForm1::DealBtnClick);
    onClick(ClearBtn, &TForm1::ClearBtnClick);
    onClick(SaveBtn, &TForm1::SaveBtnClick);
    onClick(OpenBtn, &TForm1::OpenBtnClick);
    onClick(FindNextBtn, &TForm1::FindNextBtnClick);
    onClick(CardStatsBtn, &TForm1::CardStatsBtnClick);
    onClick(RankStatsBtn, &TForm1::RankStatsBtnClick);
    onClick(SuitStatsBtn, &TForm1::SuitStatsBtnClick);
    onClick(DeckPosStatsBtn, &TForm1::DeckPosStatsBtnClick);
    onClick(PlayerPosStatsBtn, &TForm1::PlayerPosStatsBtnClick);
    onClick(FairnessBtn, &TForm1::FairnessBtnClick);
    onClick(BiasMapBtn, &TForm1::BiasMapBtnClick);

    const auto onChange = [this](QComboBox* box, void (TForm1::*handler)()) {
        connect(box, &QComboBox::activated, this,
                [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
    };
    onChange(PlayersBox, &TForm1::PlayersBoxChange);
    onChange(PlayerPosBox, &TForm1::PlayerPosBoxChange);
    onChange(DealtBox, &TForm1::DealtBoxChange);

    connect(
        CardView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex& current) { RunGuarded([&] { CardViewFocusChanged(current); }); });
    PageControl1->OnResize = [this] { PageControl1Resize(); };
}

void TForm1::PageControl1Resize() {
    const int tabs = PageControl1->count();
    if (tabs == 0) return;
    PageControl1->SpreadBar()->SetTabWidth(std::max(0, (PageControl1->width() - 10) / tabs));
}

void TForm1::CenterOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

std::optional<std::size_t> TForm1::FocusedRow() const {
    const QModelIndex current = CardView->selectionModel()->currentIndex();
    if (!current.isValid()) return std::nullopt;
    return static_cast<std::size_t>(current.row());
}

}  // namespace brevane
