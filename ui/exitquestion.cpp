#include "exitquestion.h"

#include "panel.h"

#include <QMessageBox>

bool ExitQuestion::Confirm(QWidget *parent)
{
    if (m_confirmed)
        return true;
    if (m_asking)
        return false;
    m_asking = true;
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kWindowTitle),
        QStringLiteral("Do you really want to exit ?"), QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("ConfirmExit"));
    box.setDefaultButton(QMessageBox::No);
    m_confirmed = box.exec() == QMessageBox::Yes;
    m_asking = false;
    return m_confirmed;
}
