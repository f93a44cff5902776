#include "StorableText.h"

#include "MessageBox.h"
#include "TextCodec.h"

#include <QWidget>

bool RefuseUnstorable(QWidget *window, QWidget *field, const QString &text, const QString &fieldName)
{
    const std::optional<char32_t> bad = Gbk::firstUnstorable(text);
    if (!bad)
        return false;
    MessageBox::warning(window, UnstorableCharacterMessage(fieldName, *bad));
    if (field)
        field->setFocus();
    return true;
}
