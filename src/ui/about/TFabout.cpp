#include "ui/about/TFabout.h"

#include "core/config/ProgramInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString programFileName()
{
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QStringLiteral("velka") : QFileInfo(path).fileName();
}
} // namespace

TFabout::TFabout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Fabout"));
    setWindowTitle(QStringLiteral("about  Velka.exe"));
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    Info = new QLabel(this);
    Info->setObjectName(QStringLiteral("Info"));
    Info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Info->setAlignment(Qt::AlignCenter);
    Info->setText(QStringLiteral("%1\n\nVelka Funksystem Konfiguration\nVersion %2  (%3)\n\n"
                                 "Support:\n%4\n%5\n%6")
                      .arg(programFileName(), ProgramInfo::versionText(),
                           QLatin1String(ProgramInfo::ReleaseMonth),
                           QLatin1String(ProgramInfo::MakerName),
                           QLatin1String(ProgramInfo::SupportMail),
                           QLatin1String(ProgramInfo::MakerHost)));

    Bback = new QPushButton(QStringLiteral("zurück"), this);
    Bback->setObjectName(QStringLiteral("Bback"));
    Bback->setDefault(true);
    connect(Bback, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Info);
    layout->addWidget(Bback);
    setFixedSize(280, 210);
}
