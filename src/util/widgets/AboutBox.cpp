#include "util/widgets/AboutBox.h"

#include "util/ExternalPrograms.h"
#include "util/Twips.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"
#include "util/widgets/HoverLinkLabel.h"
#include "util/widgets/Pictures.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

namespace qvor {

AboutBox::AboutBox(const QString& versionText, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Sobre o ZEQ"));
    setWindowIcon(programPicture());

    auto* picture = new QLabel(this);
    picture->setPixmap(programPicture().pixmap(px(720), px(720)));
    place(picture, 240, 240, 720, 720);

    auto* name = new QLabel(QStringLiteral("Orvane for SAP R/3"), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    name->setFont(big);
    place(name, 1200, 300, 4900, 500);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    place(frame, 1200, 900, 4900, 520);
    version_ = new QLabel(QStringLiteral("Version ") + versionText + QStringLiteral(" 12Mar2007"), frame);
    version_->setObjectName(QStringLiteral("versionLine"));
    version_->setGeometry(px(120), px(100), px(4660), px(320));

    link_ = new HoverLinkLabel(qvor::homePageAddress(), this);
    link_->setObjectName(QStringLiteral("homePageLink"));
    link_->setToolTip(QStringLiteral("Zeq Home Page"));
    place(link_, 1200, 1560, 4900, 300);

    auto* contact = new QLabel(tx(TextId::AboutContact), this);
    contact->setObjectName(QStringLiteral("contact"));
    place(contact, 1200, 1920, 4900, 300);

    auto* notice = new QLabel(tx(TextId::AboutLegalNotice), this);
    notice->setObjectName(QStringLiteral("legalNotice"));
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(notice, 240, 2400, 5820, 1200);

    // Both buttons lie below the start-up height, so the start-up picture never shows them.
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    place(ok_, 4500, 3900, 1560, 400);
    systemInfo_ = new QPushButton(QStringLiteral("System Info..."), this);
    place(systemInfo_, 4500, 4380, 1560, 400);

    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(systemInfo_, &QPushButton::clicked, this, &AboutBox::showSystemInfo);

    setFixedSize(px(WidthTwips), px(FullHeightTwips));
}

int AboutBox::px(int twips) const { return twipsToPixels(twips, logicalDpiY()); }

void AboutBox::place(QWidget* w, int leftTw, int topTw, int widthTw, int heightTw)
{
    w->setGeometry(px(leftTw), px(topTw), px(widthTw), px(heightTw));
}

void AboutBox::showAsStartupPicture()
{
    startupPicture_ = true;
    setModal(false);
    setFixedSize(px(WidthTwips), px(StartupHeightTwips));
    show();
}

QString AboutBox::versionLine() const { return version_->text(); }
QString AboutBox::homePageAddress() const { return link_->address(); }

QString AboutBox::systemInformationTool()
{
    for (const char* tool : {"hardinfo", "gnome-system-monitor", "plasma-systemmonitor"}) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(tool));
        if (!path.isEmpty()) return path;
    }
    return {};
}

void AboutBox::showSystemInfo()
{
    const QString tool = systemInformationTool();
    if (!tool.isEmpty() && ui().startProgram(tool, {})) return;
    ui().message(QStringLiteral("System Information Is Unavailable At This Time"));
}

} // namespace qvor
