#include "app/Splash.h"
#include "kwf_version.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace kwf {

namespace {
// A drawn clock face with the digits of a panel.
QPixmap panelPicture()
{
    QPixmap pm(300, 90);
    pm.fill(QColor(40, 40, 40));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(56);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(255, 40, 40));
    p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("12:00.00"));
    return pm;
}
} // namespace

Splash::Splash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ZOL_ND_SPLASH"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* lay = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("KWF_TQV_ÉVÉNEMENT_COMPTE_à_REBOURS"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big = Label1->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setAlignment(Qt::AlignCenter);
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(panelPicture());
    Picture1->setAlignment(Qt::AlignCenter);
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignRight);
    Text1 = new QTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setPlainText(QStringLiteral("Z.O.Z Afficheurs électroniques\n"
                                       "Service technique : horloges, panneaux, compte à rebours\n"
                                       "Carte KWF, variante TQV"));
    Text1->setFixedHeight(70);
    lay->addWidget(Label1);
    lay->addWidget(Picture1);
    lay->addWidget(lblVersion);
    lay->addWidget(Text1);
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(lblVersion),
                       static_cast<QWidget*>(Picture1), static_cast<QWidget*>(Text1), static_cast<QWidget*>(Text1->viewport())})
        w->installEventFilter(this);
    // Form_Load
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(KWF_VERSION_MAJOR).arg(KWF_VERSION_MINOR).arg(KWF_VERSION_PATCH));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(5000);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { finish(); });
    Timer1->start();
    setFocusPolicy(Qt::StrongFocus);
}

void Splash::keyPressEvent(QKeyEvent*)
{
    finish();
}

bool Splash::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) {
        finish();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Splash::finish()
{
    if (m_done)
        return;
    m_done = true;
    Timer1->stop();
    // Off the screen before the main window's start-up runs: its messages are modal, and a
    // splash still shown (kept on top by some desktops) would sit over them until answered.
    close();
    emit finished();
}

} // namespace kwf
