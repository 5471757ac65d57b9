#pragma once
// The progress window: a borderless window on top of the others, shown while a scan, deletion or
// export runs, with a one-line message and a small looping animation (a magnifier searching over
// a folder) that keeps moving while the work runs on a worker thread. It is created hidden at
// start and kept for the whole run; it keeps its last message until another is set.
//
// Below them, while a job runs, a counts line follows the job's counts (read from its atomics a
// few times a second, never pushed by the job) and "Stop" (or Esc) asks the job to stop. Stop
// only signals: whoever runs the job stops it.
//
// The window has its first size as it shows, and widens about its centre, in steps, as far as its
// message and counts line need in the font and the locale's digit groups it has; it never cuts
// them.
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <atomic>

namespace nulvane {

class TLongWork;

// The find-folder animation: it advances one frame per timer tick while it is visible.
class TFindAnimation : public QWidget {
    Q_OBJECT
public:
    explicit TFindAnimation(QWidget* parent = nullptr);
    // Frames drawn since the program started; only ever grows. Safe to read from any thread.
    quint64 Frame() const noexcept { return Frame_.load(std::memory_order_relaxed); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer Timer_;
    std::atomic<quint64> Frame_{0};
};

class TWaitForm : public QWidget {
    Q_OBJECT
public:
    // `owner`: the window it is centred over (none: the desktop).
    explicit TWaitForm(QWidget* owner = nullptr);

    void ShowWaitForm(bool show, bool showCancel);
    void SetWaitMessage(const QString& text);

    // The job whose counts show and that Stop stops; null when none runs. The job must outlive
    // its time here.
    void SetWork(const TLongWork* work);
    // Stop, as the button and Esc do: emits StopClicked once per job.
    void StopClick();

    QString Message() const { return Label2->text(); }
    QString CountsText() const { return Label3->text(); }
    const TFindAnimation& Animation() const noexcept { return *Animate1; }
    bool CancelVisible() const { return !btnCancel->isHidden(); }
    QPushButton& StopButton() const noexcept { return *btnStop; }
    const QLabel& CountsLine() const noexcept { return *Label3; }

    // How often the counts line is read from the job.
    static constexpr int CountsIntervalMs = 200;

signals:
    void StopClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CentreOverOwner();
    void PaintNow();
    void UpdateCounts();
    // Widens the window as far as its texts need.
    void FitText();
    void SetWidth(int width);

    QWidget* Owner_;
    TFindAnimation* Animate1;
    QLabel* Label1;
    QLabel* Label2;
    QToolButton* btnCancel;
    QLabel* Label3;  // the counts line
    QPushButton* btnStop;
    QTimer CountsTimer_;
    const TLongWork* Work_ = nullptr;
};

}  // namespace nulvane
