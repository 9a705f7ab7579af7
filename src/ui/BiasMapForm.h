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

// The bias map window: a Cards / Moves switch, the picture scaled to the window, and "Save
// Picture..." (PNG or SVG by the file's extension). It is resizable and not modal; each showing
// replaces the counts it shows.
class TBiasMapForm : public QWidget {
    Q_OBJECT
  public:
    explicit TBiasMapForm(QWidget* owner = nullptr);

    // Runs the save dialog; returns the chosen path, or an empty text when cancelled.
    std::function<QString(QFileDialog& dialog)> RunSaveDialog;

    // Makes both views of `counts` (at least one row) and shows the one the switch is on.
    void ShowCounts(const ShuffleCounts& counts);

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

    std::optional<BiasMap> cards_;
    std::optional<BiasMap> moves_;
    std::uint64_t rows_ = 0;
    QString lastSaveName_;

    QRadioButton* CardsViewBtn = nullptr;
    QRadioButton* MovesViewBtn = nullptr;
    QPushButton* SavePictureBtn = nullptr;
    BiasMapView* PictureView = nullptr;
    QFileDialog* saveDialog_ = nullptr;
};

}  // namespace brevane
