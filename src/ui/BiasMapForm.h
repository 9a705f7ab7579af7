#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "stats/BiasMap.h"
#include "stats/ShuffleCounts.h"

class QFileDialog;
class QPushButton;
class QRadioButton;

namespace brevane {

class BiasMapView;

inline constexpr const char* BiasMapCaption = "Bias Map";

// The bias map window: a Cards / Moves switch whose captions give each view's verdict ("Cards:
// pass"), the picture scaled to the window, and "Save Picture..." (PNG or SVG by the file's
// extension). It is resizable and not modal; each showing replaces the counts it shows.
class TBiasMapForm : public QWidget {
    Q_OBJECT
  public:
    explicit TBiasMapForm(QWidget* owner = nullptr);

    // Runs the save dialog; returns the chosen path, or an empty text when cancelled.
    std::function<QString(QFileDialog& dialog)> RunSaveDialog;

    // Makes both views of `counts` (at least one row) and turns the switch to the view whose
    // test speaks more strongly against the rows (MoreTellingView).
    void OpenCounts(ShuffleCounts counts);
    // Makes both views of `counts` (at least one row) and shows the one the switch is on.
    void ShowCounts(ShuffleCounts counts);
    // The counts shown, kept so that rows added later can be counted on top of them.
    const std::optional<ShuffleCounts>& Counts() const { return counts_; }

    // The view the switch is on, and its map (null when it has too few rows).
    BiasView View() const;
    const BiasMap* CurrentMap() const;
    BiasMapView& Picture() const { return *PictureView; }
    QFileDialog& SavePictureDialog() const { return *saveDialog_; }

    // Handlers, named after their control and event.
    void ViewBtnClick();
    void SavePictureBtnClick();

  private:
    void CreateSaveDialog();
    void ShowCurrentView();

    std::optional<ShuffleCounts> counts_;
    std::optional<BiasMap> cards_;
    std::optional<BiasMap> moves_;
    QString lastSaveName_;

    QRadioButton* CardsViewBtn = nullptr;
    QRadioButton* MovesViewBtn = nullptr;
    QPushButton* SavePictureBtn = nullptr;
    BiasMapView* PictureView = nullptr;
    QFileDialog* saveDialog_ = nullptr;
};

}  // namespace brevane
