#include "protocol/CommandProtocol.h"

#include "protocol/NumberText.h"

QString CommandField(qint64 value, int width)
{
    return NumberText::signedText(value).right(width);
}
