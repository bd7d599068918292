#pragma once
// The about box: program name, version line, home-page link, contact and legal notice, with
// "OK" and "System Info..." in its lower part. At start-up it serves as the start-up picture,
// cut to a height that leaves the buttons out of sight.
#include <QDialog>

class QLabel;
class QPushButton;

namespace qvor {

class HoverLinkLabel;

class AboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int StartupHeightTwips = 3700;
    static constexpr int FullHeightTwips = 4900;
    static constexpr int WidthTwips = 6300;

    explicit AboutBox(const QString& versionText, QWidget* parent = nullptr);

    // Not modal, cut to the start-up height; the main window closes it when it has loaded.
    void showAsStartupPicture();
    bool isStartupPicture() const { return startupPicture_; }

    QString versionLine() const;
    QString homePageAddress() const;
    QPushButton* okButton() const { return ok_; }
    QPushButton* systemInfoButton() const { return systemInfo_; }

    // The first system-information tool found on PATH, or empty.
    static QString systemInformationTool();

public Q_SLOTS:
    void showSystemInfo();

private:
    int px(int twips) const;
    void place(QWidget* w, int leftTw, int topTw, int widthTw, int heightTw);

    QLabel* version_ = nullptr;
    HoverLinkLabel* link_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* systemInfo_ = nullptr;
    bool startupPicture_ = false;
};

} // namespace qvor
