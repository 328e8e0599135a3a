#pragma once

#include <QWidget>

// A top-level window of the logger that goes away when closed, but never while one of its own
// long operations is still using it: a set being filled in, a list being saved or printed, each
// of which lets user-interface events run, and so lets the user close the window meanwhile.
// Such a close hides the window at once; it is deleted when the operation has ended.
class LoggerWindow : public QWidget {
    Q_OBJECT
public:
    explicit LoggerWindow(QWidget* parent);

    // True once the user (or the program) closed the window; a running operation stops early.
    bool CloseRequested() const { return closeRequested_; }

Q_SIGNALS:
    // The window is unloaded: hidden now, deleted when no operation uses it any more.
    void Closed();

protected:
    // Marks a long operation of the window for the time it lives.
    class BusyScope {
    public:
        explicit BusyScope(LoggerWindow& window);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        LoggerWindow& window_;
    };

    void closeEvent(QCloseEvent* event) override;

private:
    int busy_ = 0;
    bool closeRequested_ = false;
};
