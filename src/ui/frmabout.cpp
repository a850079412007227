#include "frmabout.h"

#include "picturebox.h"
#include "pictures.h"
#include "prompt.h"
#include "sysinfotool.h"
#include "version.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace orv::ui {
namespace {

const QString kWeb = QStringLiteral("https://orvane.example");
const QString kMail = QStringLiteral("contacto@orvane.example");

QLabel* label(const QString& name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QPushButton* button(const QString& name, const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

FrmAbout::FrmAbout(Product product, QWidget* parent, const SysInfoTool* sysInfo)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_product(product),
      m_sysInfo(sysInfo)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setWindowTitle(QStringLiteral("Acerca de ") + productTitle(product));
    setWindowIcon(productIcon(product));

    auto* picture = new PictureBox(product, this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setFixedSize(80, 80);

    QLabel* title = label(QStringLiteral("lblTitle"), productTitle(product), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    title->setFont(titleFont);

    QLabel* description = label(
        QStringLiteral("lblDescription"),
        QStringLiteral("Versión %1\nParte de la suite Orvane ASCII, para crear y ver películas "
                       "hechas de caracteres.\n© Orvane Software")
            .arg(suiteVersion()),
        this);
    description->setWordWrap(true);
    description->setFixedWidth(300);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    QPushButton* ok = button(QStringLiteral("cmdOK"), QStringLiteral("Aceptar"), this);
    QPushButton* sysInfoButton =
        button(QStringLiteral("cmdSysInfo"), QStringLiteral("&Info. del sistema..."), this);
    QPushButton* contact = button(QStringLiteral("Command1"), QStringLiteral("C&ontacto..."), this);
    ok->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(title, 0, 1);
    grid->addWidget(description, 1, 1, Qt::AlignTop);
    grid->addWidget(line, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    // Inside a grid whose two spacings differ, a nested row would inherit no
    // spacing at all and its buttons would touch; the classic About box
    // leaves 105 twips between its buttons.
    buttons->setSpacing(qRound(105 * logicalDpiX() / 1440.0));
    buttons->addWidget(contact);
    buttons->addStretch();
    buttons->addWidget(sysInfoButton);
    buttons->addWidget(ok);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setHorizontalSpacing(16);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfoButton, &QPushButton::clicked, this, &FrmAbout::StartSysInfo);
    connect(contact, &QPushButton::clicked, this, &FrmAbout::showContact);
}

void FrmAbout::StartSysInfo()
{
    static const SysInfoTool platformTool;
    const SysInfoTool& tool = m_sysInfo ? *m_sysInfo : platformTool;
    const QStringList command = tool.locate();
    if (!command.isEmpty() && tool.start(command))
        return;
    prompt().message(
        this, QStringLiteral("La información del sistema no está disponible en este momento"),
        productTitle(m_product), Icon::None, Buttons::Ok);
}

void FrmAbout::showContact()
{
    prompt().message(this, QStringLiteral("WEB: ") + kWeb + QStringLiteral("\r\nMAIL: ") + kMail,
                     QStringLiteral("Información de contacto"), Icon::Question, Buttons::Ok);
}

} // namespace orv::ui
