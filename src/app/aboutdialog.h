#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;

namespace tessaro {

// "Version " and the product's version, e.g. "Version 1.1.0".
[[nodiscard]] QString VersionText();

}  // namespace tessaro

namespace tessaro::ui {

inline constexpr const char* kSystemInfoUnavailable = "System Information Is Unavailable At This Time";

// Where the platform's system-information viewer is, or an empty text when it
// has none: msinfo32 on Windows, elsewhere the first of a few known viewers
// found on the search path.
[[nodiscard]] QString FindSystemInfoViewer();

// The about box: product name, version, the maker's logo, and a button that
// starts the system-information viewer.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    using ViewerLookup = std::function<QString()>;

    // lookup finds the viewer's program; empty means FindSystemInfoViewer.
    explicit AboutDialog(QWidget* parent = nullptr, ViewerLookup lookup = {});

public slots:
    // "系統資訊": starts the viewer, or says that there is none.
    void startSystemInfo();

private:
    ViewerLookup m_lookup;
};

}  // namespace tessaro::ui
