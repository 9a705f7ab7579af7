#include "ui/BackgroundWork.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <exception>
#include <thread>

#include "ui/Application.h"

namespace brevane {

namespace {

std::chrono::milliseconds dialogDelay{500};
std::function<void(WorkProgress&)> workStartedHook;
std::function<void(WorkProgress&)> workThreadHook;

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
        return IsUserInput(event->type()) && !IsDialogPart(watched);
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

    // Whether `watched` is the dialog, one of its controls, or the dialog's window: the window
    // system hands a mouse click or the title bar's close to the window first, which passes it
    // on to the control under the pointer. That window is no child of the dialog.
    bool IsDialogPart(const QObject* watched) const {
        if (!dialog_) return false;
        if (watched == dialog_->windowHandle()) return true;
        for (const QObject* o = watched; o != nullptr; o = o->parent()) {
            if (o == dialog_) return true;
        }
        return false;
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

void SetWorkThreadHook(std::function<void(WorkProgress&)> hook) {
    workThreadHook = std::move(hook);
}

void RunInBackground(QWidget* parent, const QString& operation, WorkProgress& progress,
                     const std::function<void()>& work) {
    std::exception_ptr error;
    InputHold hold;
    const BusyCursor busy;
    std::atomic<bool> finished{false};
    QEventLoop loop;
    if (workStartedHook) workStartedHook(progress);
    const std::function<void(WorkProgress&)> threadHook = workThreadHook;
    // A thread of its own rather than one of QThreadPool::globalInstance(): Qt's painting hands
    // parts of some drawing to that pool and waits for them, and with one core the pool has a
    // single thread, which this work would hold until its end, leaving the windows unpainted
    // and the progress dialog deaf.
    std::thread worker([&] {
        try {
            if (threadHook) threadHook(progress);
            work();
        } catch (...) {
            error = std::current_exception();
        }
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

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
    // The quit that the worker posts is taken by this loop however soon the work ends; a quit
    // posted before the check below dies with the loop.
    if (!finished.load()) {
        show.start(static_cast<int>(dialogDelay.count()));
        redraw.start(RedrawMilliseconds);
        loop.exec();
    }
    worker.join();
    delete dialog.data();
    if (error) std::rethrow_exception(error);
    if (progress.CancelRequested()) throw WorkCancelled();
}

}  // namespace brevane
