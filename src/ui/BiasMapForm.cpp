#include "ui/BiasMapForm.h"

#include <QButtonGroup>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "render/BiasMapFile.h"
#include "ui/Application.h"
#include "ui/BiasMapView.h"

namespace brevane {

namespace {

const QString PngFilter = QStringLiteral("PNG pictures (*.png)");
const QString SvgFilter = QStringLiteral("SVG pictures (*.svg)");

QRadioButton* AddViewButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QRadioButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// "Cards: pass": the view and its test's verdict; a view too short to draw has no test.
QString SwitchCaption(const char* view, const std::optional<BiasMap>& map) {
    const std::string_view verdict =
        VerdictText(map ? map->Test().verdict : Verdict::TooFewShuffles);
    return QString::fromLatin1(view) + QStringLiteral(": ") +
           QString::fromUtf8(verdict.data(), static_cast<qsizetype>(verdict.size()));
}

}  // namespace

TBiasMapForm::TBiasMapForm(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("BiasMapForm"));
    setWindowTitle(QString::fromLatin1(BiasMapCaption));
    // Small enough for a 1024 x 768 screen with its title bar; the picture scales to the window.
    resize(700, 680);

    CardsViewBtn = AddViewButton(this, "CardsViewBtn", "Cards");
    MovesViewBtn = AddViewButton(this, "MovesViewBtn", "Moves");
    CardsViewBtn->setChecked(true);
    auto* views = new QButtonGroup(this);
    views->addButton(CardsViewBtn);
    views->addButton(MovesViewBtn);
    SavePictureBtn = new QPushButton(QStringLiteral("Save Picture..."), this);
    SavePictureBtn->setObjectName(QStringLiteral("SavePictureBtn"));
    PictureView = new BiasMapView(this);

    auto* bar = new QHBoxLayout;
    bar->addWidget(CardsViewBtn);
    bar->addWidget(MovesViewBtn);
    bar->addStretch(1);
    bar->addWidget(SavePictureBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(bar);
    layout->addWidget(PictureView, 1);
    CreateSaveDialog();

    connect(views, &QButtonGroup::buttonClicked, this,
            [this] { RunGuarded([this] { ViewBtnClick(); }); });
    connect(SavePictureBtn, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { SavePictureBtnClick(); }); });
}

void TBiasMapForm::CreateSaveDialog() {
    saveDialog_ = new QFileDialog(this, QStringLiteral("Save bias map picture"));
    saveDialog_->setObjectName(QStringLiteral("SavePictureDialog"));
    saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
    saveDialog_->setFileMode(QFileDialog::AnyFile);
    saveDialog_->setNameFilters({PngFilter, SvgFilter});
    saveDialog_->selectNameFilter(PngFilter);
    saveDialog_->setDefaultSuffix(QStringLiteral("png"));
    // A name typed without an extension takes that of the chosen type.
    connect(saveDialog_, &QFileDialog::filterSelected, saveDialog_, [this](const QString& filter) {
        saveDialog_->setDefaultSuffix(filter == SvgFilter ? QStringLiteral("svg")
                                                          : QStringLiteral("png"));
    });
}

void TBiasMapForm::ShowCounts(ShuffleCounts counts) {
    counts_.emplace(std::move(counts));
    const std::uint64_t rows = counts_->Rows();
    cards_.reset();
    moves_.reset();
    if (!BiasMapShortage(rows, BiasView::Cards)) cards_.emplace(*counts_, BiasView::Cards);
    if (!BiasMapShortage(rows, BiasView::Moves)) moves_.emplace(*counts_, BiasView::Moves);
    CardsViewBtn->setText(SwitchCaption("Cards", cards_));
    MovesViewBtn->setText(SwitchCaption("Moves", moves_));
    ShowCurrentView();
}

void TBiasMapForm::OpenCounts(ShuffleCounts counts) {
    ShowCounts(std::move(counts));
    const BiasView view = MoreTellingView(cards_ ? &*cards_ : nullptr, moves_ ? &*moves_ : nullptr);
    (view == BiasView::Moves ? MovesViewBtn : CardsViewBtn)->setChecked(true);
    ShowCurrentView();
}

BiasView TBiasMapForm::View() const {
    return MovesViewBtn->isChecked() ? BiasView::Moves : BiasView::Cards;
}

const BiasMap* TBiasMapForm::CurrentMap() const {
    const std::optional<BiasMap>& map = View() == BiasView::Cards ? cards_ : moves_;
    return map ? &*map : nullptr;
}

void TBiasMapForm::ShowCurrentView() {
    if (const BiasMap* map = CurrentMap()) {
        PictureView->ShowMap(map);
    } else {
        const auto shortage = BiasMapShortage(counts_ ? counts_->Rows() : 0, View());
        PictureView->ShowMessage(
            QString::fromUtf8(shortage->data(), static_cast<qsizetype>(shortage->size())) + u'.');
    }
    SavePictureBtn->setEnabled(CurrentMap() != nullptr);
}

void TBiasMapForm::ViewBtnClick() {
    ShowCurrentView();
}

void TBiasMapForm::SavePictureBtnClick() {
    const BiasMap* map = CurrentMap();
    if (!map || !RunSaveDialog) return;
    if (!lastSaveName_.isEmpty()) saveDialog_->selectFile(lastSaveName_);
    const QString path = RunSaveDialog(*saveDialog_);
    if (path.isEmpty()) return;
    lastSaveName_ = path;
    const std::string file = QFile::encodeName(path).toStdString();
    const auto format = PictureFormatOfPath(file);
    if (!format) {
        throw std::runtime_error("Cannot save " + path.toStdString() +
                                 ": choose a file name ending in .png or .svg");
    }
    SaveBiasMapPicture(*map, *format, file);
}

}  // namespace brevane
