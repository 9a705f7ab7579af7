// The main window's controls: their names, captions, items, geometry and tab order.
#include <QBrush>
#include <QColor>
#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <initializer_list>
#include <limits>

#include "analysis/HandFinder.h"
#include "cards/Cards.h"
#include "models/ShuffleModel.h"
#include "ui/CardGrid.h"
#include "ui/CardViewModel.h"
#include "ui/DropDownStyle.h"
#include "ui/Main.h"
#include "ui/PageControl.h"
#include "ui/QtText.h"

namespace brevane {

namespace {

constexpr int PageControlHeight = 97;
constexpr int StatusStripHeight = 20;
constexpr int LegendPanelWidth = 185;
constexpr int HeaderHeight = 20;
constexpr int HandColumnWidth = 75;
constexpr int CardColumnWidth = 30;

// Draws cells without the focus rectangle. A cell with a seat colour keeps it on the selected
// row too: only the background shows the selection.
class NoFocusDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
        const QVariant colour = index.data(Qt::ForegroundRole);
        if (colour.canConvert<QBrush>()) {
            const QBrush brush = colour.value<QBrush>();
            option->palette.setBrush(QPalette::Active, QPalette::HighlightedText, brush);
            option->palette.setBrush(QPalette::Inactive, QPalette::HighlightedText, brush);
        }
    }
};

template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* AddLabel(QWidget* tab, const char* name, const char* text, int left, int top, int width,
                 int height) {
    return Place(new QLabel(QString::fromLatin1(text), tab), name, left, top, width, height);
}

QPushButton* AddButton(QWidget* tab, const char* name, const char* text, int left, int top,
                       int width, int height) {
    return Place(new QPushButton(QString::fromLatin1(text), tab), name, left, top, width, height);
}

QComboBox* AddList(QWidget* tab, const char* name, int visibleRows, int left, int top, int width,
                   int height, std::initializer_list<const char*> items = {}) {
    auto* box = Place(new QComboBox(tab), name, left, top, width, height);
    box->setEditable(false);
    box->setMaxVisibleItems(visibleRows);
    for (const char* item : items) box->addItem(QString::fromLatin1(item));
    return box;
}

QLabel* AddPanel(QWidget* strip, const char* name, const QString& caption) {
    auto* panel = new QLabel(caption, strip);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFixedHeight(StatusStripHeight);
    return panel;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// Chains the keyboard tab order through `widgets` in the given order.
void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

}  // namespace

void TForm1::CreateControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(MainWindowCaption));
    resize(784, 562);
    setMinimumSize(640, 480);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PageControl1 = new PageControl(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setFixedHeight(PageControlHeight);
    const struct {
        const char* name;
        const char* caption;
        void (TForm1::*create)(QWidget*);
    } tabs[] = {{"ShuffleTab", "Shuffle", &TForm1::CreateShuffleTab},
                {"PokerTab", "Texas Hold'em Stats", &TForm1::CreatePokerTab},
                {"CardTab", "Card Stats", &TForm1::CreateCardTab}};
    for (const auto& tab : tabs) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(tab.name));
        (this->*tab.create)(page);
        PageControl1->addTab(page, QString::fromLatin1(tab.caption));
    }
    PageControl1->setCurrentIndex(0);

    // The lists open with their own row counts whatever the style.
    auto* listStyle = new DropDownStyle(this);
    for (QComboBox* box :
         {PlayersBox, PlayerPosBox, DealtBox, FindHandBox, CardBox, RankBox, SuitBox, DeckPosBox}) {
        box->setStyle(listStyle);
    }

    CreateCardView();
    CreateStatusStrip();
    layout->addWidget(PageControl1);
    layout->addWidget(CardView, 1);
    layout->addWidget(Panel2);
    CreateSaveDialog();
    CreateOpenDialog();
    CreateReportDialog();

    ChainTabOrder({CardView, PageControl1});
}

void TForm1::CreateShuffleTab(QWidget* tab) {
    AddLabel(tab, "Label1", "Shuffles:", 24, 23, 43, 13);
    HandCount = Place(new QLineEdit(QStringLiteral("10000"), tab), "HandCount", 73, 20, 86, 21);
    DealBtn = AddButton(tab, "DealBtn", "Add to List", 165, 18, 76, 25);
    ClearBtn = AddButton(tab, "ClearBtn", "Clear All", 264, 18, 75, 25);
    SaveBtn = AddButton(tab, "SaveBtn", "Save to File", 345, 18, 75, 25);
    OpenBtn = AddButton(tab, "OpenBtn", "Open File...", 426, 18, 75, 25);
    AddLabel(tab, "MethodLabel", "Method:", 517, 23, 40, 13);
    MethodBox = AddList(tab, "MethodBox", static_cast<int>(MethodModels.size()), 561, 20, 130, 21);
    for (const ShuffleModel& model : MethodModels)
        MethodBox->addItem(QString::fromStdString(ShuffleModelCaption(model)));
    MethodBox->setCurrentIndex(0);
    ChainTabOrder({HandCount, DealBtn, ClearBtn, SaveBtn, OpenBtn, MethodBox});
}

void TForm1::CreatePokerTab(QWidget* tab) {
    AddLabel(tab, "Label6", "Players:", 10, 15, 39, 13);
    AddLabel(tab, "Label7", "Position:", 79, 15, 41, 13);
    AddLabel(tab, "Label8", "Dealt:", 180, 15, 29, 13);
    AddLabel(tab, "Label9", "Hand:", 336, 15, 29, 13);
    PlayersBox = AddList(tab, "PlayersBox", 9, 10, 34, 63, 21,
                         {"2", "3", "4", "5", "6", "7", "8", "9", "10"});
    PlayersBox->setCurrentIndex(8);
    PlayerPosBox = AddList(tab, "PlayerPosBox", 20, 79, 34, 90, 21);
    DealtBox = AddList(tab, "DealtBox", 10, 180, 34, 66, 21);
    for (std::string_view stage : StageNames) DealtBox->addItem(ToQString(stage));
    DealtBox->setCurrentIndex(3);
    PlayerPosStatsBtn = AddButton(tab, "PlayerPosStatsBtn", "Stats", 252, 32, 58, 25);
    FindHandBox = AddList(tab, "FindHandBox", 26, 336, 34, 113, 21);
    for (std::string_view caption : HandClassCaptions) {
        FindHandBox->addItem(ToQString(caption));
    }
    FindHandBox->setCurrentIndex(0);
    FindNextBtn = AddButton(tab, "FindNextBtn", "Find Next", 455, 32, 74, 25);
    ChainTabOrder(
        {PlayersBox, PlayerPosBox, DealtBox, PlayerPosStatsBtn, FindHandBox, FindNextBtn});
}

void TForm1::CreateCardTab(QWidget* tab) {
    AddLabel(tab, "Label3", "Card:", 15, 15, 27, 13);
    AddLabel(tab, "Label5", "Rank:", 167, 15, 28, 13);
    AddLabel(tab, "Label4", "Suit:", 319, 15, 22, 13);
    AddLabel(tab, "Label2", "Deck Pos:", 471, 15, 47, 13);
    CardBox = AddList(tab, "CardBox", 26, 15, 34, 66, 21);
    CardStatsBtn = AddButton(tab, "CardStatsBtn", "Stats", 87, 32, 58, 25);
    RankBox = AddList(tab, "RankBox", 13, 167, 34, 66, 21);
    RankStatsBtn = AddButton(tab, "RankStatsBtn", "Stats", 239, 32, 58, 25);
    SuitBox = AddList(tab, "SuitBox", 8, 319, 34, 66, 21);
    for (std::string_view suit : SuitNames) SuitBox->addItem(ToQString(suit));
    SuitBox->setCurrentIndex(0);
    SuitStatsBtn = AddButton(tab, "SuitStatsBtn", "Stats", 391, 32, 58, 25);
    DeckPosBox = AddList(tab, "DeckPosBox", 26, 471, 34, 66, 21);
    DeckPosStatsBtn = AddButton(tab, "DeckPosStatsBtn", "Stats", 543, 32, 58, 25);
    // Six pixels after the last Stats button, the gap between each list and its Stats button.
    FairnessBtn = AddButton(tab, "FairnessBtn", "Fairness", 607, 32, 58, 25);
    BiasMapBtn = AddButton(tab, "BiasMapBtn", "Bias Map", 671, 32, 58, 25);
    ChainTabOrder({CardBox, CardStatsBtn, RankBox, RankStatsBtn, SuitBox, SuitStatsBtn, DeckPosBox,
                   DeckPosStatsBtn, FairnessBtn, BiasMapBtn});
}

void TForm1::CreateCardView() {
    model_ = new CardViewModel(this);
    CardView = new CardGrid(this);
    CardView->setObjectName(QStringLiteral("CardView"));
    CardView->setFont(QFont(QStringLiteral("Courier New"), 8));
    CardView->setModel(model_);
    CardView->setItemDelegate(new NoFocusDelegate(CardView));
    // A light selection, as in the explorer style, so that the seat colours stay readable on
    // the selected row.
    QPalette gridPalette = CardView->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        gridPalette.setColor(group, QPalette::Highlight, QColor(204, 232, 255));
        gridPalette.setColor(group, QPalette::HighlightedText,
                             gridPalette.color(group, QPalette::Text));
    }
    CardView->setPalette(gridPalette);
    CardView->setSelectionBehavior(QAbstractItemView::SelectRows);
    CardView->setSelectionMode(QAbstractItemView::SingleSelection);
    CardView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CardView->setShowGrid(false);
    CardView->setWordWrap(false);
    CardView->setCornerButtonEnabled(false);
    CardView->setSortingEnabled(false);
    // Pixel scrolling lets a found row sit exactly in the middle of the grid.
    CardView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    // Fixed row heights keep the view from measuring rows, which matters with millions of them.
    QHeaderView* rows = CardView->verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(QFontMetrics(CardView->font()).height() + 4);
    gridRowLimit_ =
        static_cast<std::size_t>(std::numeric_limits<int>::max() / rows->defaultSectionSize());

    QHeaderView* header = CardView->horizontalHeader();
    header->setFont(QFont(QStringLiteral("Tahoma"), 8));
    header->setFixedHeight(HeaderHeight);
    header->setSectionsMovable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(1);
    header->setDefaultSectionSize(CardColumnWidth);
    header->resizeSection(0, HandColumnWidth);
}

void TForm1::CreateStatusStrip() {
    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(StatusStripHeight);
    auto* strip = new QHBoxLayout(Panel2);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(0);
    HoleCardPanel = AddPanel(Panel2, "HoleCardPanel", QStringLiteral("Red:  Selected Hole Cards"));
    HoleCardPanel->setFixedWidth(LegendPanelWidth);
    SetTextColour(HoleCardPanel, QColor(255, 0, 0));
    CommunityCardPanel =
        AddPanel(Panel2, "CommunityCardPanel", QStringLiteral("Blue:  Community Cards"));
    CommunityCardPanel->setFixedWidth(LegendPanelWidth);
    SetTextColour(CommunityCardPanel, QColor(0, 0, 255));
    HandPanel = AddPanel(Panel2, "HandPanel", QString());
    HandPanel->setMinimumWidth(0);
    strip->addWidget(HoleCardPanel);
    strip->addWidget(CommunityCardPanel);
    strip->addWidget(HandPanel, 1);
}

void TForm1::CreateSaveDialog() {
    saveDialog_ = new QFileDialog(this, QStringLiteral("Save hands to text file"));
    saveDialog_->setObjectName(QStringLiteral("SaveDialog1"));
    saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
    saveDialog_->setFileMode(QFileDialog::AnyFile);
    saveDialog_->setNameFilters(
        {QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*.*)")});
    saveDialog_->selectNameFilter(QStringLiteral("Text files (*.txt)"));
    saveDialog_->setDefaultSuffix(QStringLiteral("txt"));
    // The overwrite prompt is on unless DontConfirmOverwrite is set; the read-only box is hidden.
    saveDialog_->setOption(QFileDialog::DontConfirmOverwrite, false);
    saveDialog_->setOption(QFileDialog::ReadOnly, false);
    saveDialog_->setSizeGripEnabled(true);
}

void TForm1::CreateOpenDialog() {
    openDialog_ = new QFileDialog(this, QStringLiteral("Open hands from text file"));
    openDialog_->setObjectName(QStringLiteral("OpenDialog1"));
    openDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    openDialog_->setFileMode(QFileDialog::ExistingFile);
    openDialog_->setNameFilters(saveDialog_->nameFilters());
    openDialog_->selectNameFilter(saveDialog_->nameFilters().front());
    openDialog_->setSizeGripEnabled(true);
}

}  // namespace brevane
