#include "ui/BackgroundWork.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>

#include "ui/Application.h"

namespace brevane {

namespace {

std::chrono::milliseconds dialogDelay{500};
std::function<void(WorkProgress&)> workStartedHook;

constexpr int BarSteps = 1000;
constexpr int RedrawMilliseconds = 100;

// Holds back the user's input to every window except the progress dialog while work runs, so
// that nothing changes the list or the choices under it.
class InputHold : public QObject {
  public:
    InputHold() { qApp->installEventFilter(this); }
    ~InputHold() override { qApp->removeEventFilter(this); }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

    void Allow(QWidget* dialog) { dialog_ = dialog; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!IsUserInput(event->type())) return false;
        for (QObject* o = watched; o != nullptr; o = o->parent()) {
            if (dialog_ && o == dialog_) return false;
        }
        return true;
    }

  private:
    static bool IsUserInput(QEvent::Type type) {
        switch (type) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::ContextMenu:
            case QEvent::Close:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
                return true;
            default:
                return false;
        }
    }

    QPointer<QWidget> dialog_;
};

// Shows the busy cursor for its lifetime.
class BusyCursor {
  public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

int BarValue(const WorkProgress& progress) {
    const std::uint64_t total = progress.Total();
    if (total == 0) return 0;
    const std::uint64_t done = std::min(progress.Done(), total);
    return static_cast<int>(done * BarSteps / total);
}

}  // namespace

std::chrono::milliseconds ProgressDialogDelay() {
    return dialogDelay;
}

void SetProgressDialogDelay(std::chrono::milliseconds delay) {
    dialogDelay = delay;
}

void SetWorkStartedHook(std::function<void(WorkProgress&)> hook) {
    workStartedHook = std::move(hook);
}

void RunInBackground(QWidget* parent, const QString& operation, WorkProgress& progress,
                     const std::function<void()>& work) {
    std::exception_ptr error;
    InputHold hold;
    const BusyCursor busy;
    QEventLoop loop;
    if (workStartedHook) workStartedHook(progress);
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
    }));

    QPointer<QProgressDialog> dialog;
    QTimer show;
    show.setSingleShot(true);
    QObject::connect(&show, &QTimer::timeout, &loop, [&] {
        dialog = new QProgressDialog(operation, QStringLiteral("Cancel"), 0, BarSteps, parent);
        dialog->setWindowTitle(QString::fromUtf8(ApplicationTitle));
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        dialog->setMinimumDuration(0);
        dialog->setValue(BarValue(progress));
        QObject::connect(dialog, &QProgressDialog::canceled, &loop, [&] { progress.Cancel(); });
        hold.Allow(dialog);
        dialog->show();
    });
    QTimer redraw;
    QObject::connect(&redraw, &QTimer::timeout, &loop, [&] {
        if (dialog && !progress.CancelRequested()) dialog->setValue(BarValue(progress));
    });
    if (!watcher.isFinished()) {
        show.start(static_cast<int>(dialogDelay.count()));
        redraw.start(RedrawMilliseconds);
        loop.exec();
    }
    watcher.waitForFinished();
    delete dialog.data();
    if (error) std::rethrow_exception(error);
    if (progress.CancelRequested()) throw WorkCancelled();
}

}  // namespace brevane
