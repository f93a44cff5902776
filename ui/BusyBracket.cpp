#include "BusyBracket.h"

#include "unt_clsButtonCreator.h"

#include <QPushButton>

BusyButton::BusyButton(QPushButton *button) : m_button(button) { m_button->setEnabled(false); }

BusyButton::~BusyButton() { m_button->setEnabled(true); }

BusyBracket::BusyBracket(TclsButtonCreator *button) : m_button(button)
{
    if (m_button)
        m_button->SetEnabled(false);
    QApplication::processEvents();
}

BusyBracket::~BusyBracket()
{
    if (m_button)
        m_button->SetEnabled(true);
}
