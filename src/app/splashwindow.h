#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

namespace tessaro::ui {

// The product picture with the product name and its version ("TESSARO  Ver:"
// major.minor), shown modally at start-up. It closes itself a while after it
// is shown, or at once when the operator clicks the picture; exec() returns
// when it has closed.
class SplashWindow : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kCloseDelayMs = 2000;

    explicit SplashWindow(QWidget* parent = nullptr);

    // How long the window stays after it is shown; takes effect at the next show.
    void setCloseDelay(int milliseconds) { m_closeTimer.setInterval(milliseconds); }
    [[nodiscard]] int closeDelay() const { return m_closeTimer.interval(); }

    // The picture that closes the window when clicked.
    [[nodiscard]] QWidget* picture() const { return m_picture; }

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTimer m_closeTimer;
    QWidget* m_picture = nullptr;
};

}  // namespace tessaro::ui
