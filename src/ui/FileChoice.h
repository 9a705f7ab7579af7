#pragma once

#include <QFileDialog>
#include <QString>
#include <functional>

namespace brevane {

// Runs `dialog` with `run`, opening on `lastName` once one was chosen; returns the chosen path,
// which becomes `lastName`, or an empty text when the user cancelled.
inline QString ChooseFile(QFileDialog& dialog, QString& lastName,
                          const std::function<QString(QFileDialog&)>& run) {
    if (!lastName.isEmpty()) dialog.selectFile(lastName);
    const QString path = run(dialog);
    if (!path.isEmpty()) lastName = path;
    return path;
}

}  // namespace brevane
