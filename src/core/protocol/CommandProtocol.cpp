#include "protocol/CommandProtocol.h"

#include "protocol/NumberText.h"

#include <cstring>

namespace Command {

bool fitsField(const char *word, qint64 value)
{
    struct Range
    {
        const char *word;
        qint64 min;
        qint64 max;
    };
    static constexpr Range ranges[] = {
        {Frequency, 0, 999999},
        {Speed, 0, 999},
        {Power, 0, 3},
        {Keyer, 0, 3},
    };
    for (const Range &range : ranges) {
        if (std::strcmp(range.word, word) == 0)
            return value >= range.min && value <= range.max;
    }
    return false;
}

} // namespace Command

QString CommandField(qint64 value, int width)
{
    return NumberText::signedText(value).right(width);
}
