#include "BusyBracket.h"

#include "unt_clsButtonCreator.h"

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
