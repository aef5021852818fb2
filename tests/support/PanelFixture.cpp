#include "PanelFixture.h"

QByteArray settingsWith(std::initializer_list<std::pair<const char *, const char *>> changes)
{
    QByteArray text = "[VAKO]\nModel=BIRCH\nKeyer_Type= 2\n"
                      "[ALDER_settings]\nFrequency= 136000\nStep= 1\nCW_speed= 100\nPower= 1\n"
                      "BaudRate= 115200\nPortnumber= 0\n"
                      "[BIRCH_settings]\nFrequency= 500000\nStep= 2\nCW_speed= 200\nPower= 0\n"
                      "BaudRate= 115200\nPortnumber= 0\n";
    for (const auto &[from, to] : changes) {
        QByteArray line = from;
        qsizetype at = 0;
        if (const qsizetype colon = line.indexOf(':'); colon > 0) {
            at = text.indexOf("[" + line.left(colon) + "_settings]");
            line = line.mid(colon + 1);
        }
        const qsizetype pos = text.indexOf(line + "\n", at);
        if (pos < 0)
            qFatal("no such settings line: %s", from);
        text.replace(pos, line.size(), to);
    }
    return text;
}
